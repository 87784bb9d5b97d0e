#include "transcoder/stream_follower.h"

namespace qr_transcoder {

bool StreamFollower::Open(const std::string& data_path, const std::string& index_path) {
  next_ = 0;
  return reader_.Open(data_path, index_path);
}

size_t StreamFollower::Poll() {
  reader_.Refresh();
  return reader_.records().size() - next_;
}

const kvp::av::RawIndexRecord* StreamFollower::Peek() const {
  return next_ < reader_.records().size() ? &reader_.records()[next_] : nullptr;
}

bool StreamFollower::ReadNext(StreamFrame* frame) const {
  if (!Peek() || !reader_.ReadFrame(next_, &frame->data)) return false;
  frame->record = reader_.records()[next_];
  return true;
}

bool StreamFollower::Take(StreamFrame* frame) {
  if (!ReadNext(frame)) return false;
  ++next_;
  return true;
}

}  // namespace qr_transcoder
