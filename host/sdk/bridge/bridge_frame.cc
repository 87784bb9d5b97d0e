#include "host/sdk/bridge/bridge_frame.h"

#include <cstring>

namespace kovanisdk::bridge {
namespace {

constexpr char kMagic[4] = {'Q', 'R', 'B', '1'};

void PutU32(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

uint32_t GetU32(const char* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  return v;
}

}  // namespace

bool IsValidFrame(std::string_view name, std::string_view text) {
  return !name.empty() && name.size() <= kMaxNameSize && text.size() <= kMaxTextSize;
}

std::string EncodeFrame(std::string_view name, std::string_view text) {
  std::string out(kMagic, sizeof kMagic);
  out.reserve(kFrameHeaderSize + name.size() + text.size());
  PutU32(&out, static_cast<uint32_t>(name.size()));
  PutU32(&out, static_cast<uint32_t>(text.size()));
  out.append(name);
  out.append(text);
  return out;
}

void BridgeFrameReader::Append(const char* data, size_t size) {
  // Drop what has been handed out once it is the larger part, so a long stream stays small.
  if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
    buffer_.erase(0, consumed_);
    consumed_ = 0;
  }
  buffer_.append(data, size);
}

BridgeFrameReader::Status BridgeFrameReader::Next(BridgeFrame* frame) {
  if (failed_) return Status::kError;
  const size_t available = buffer_.size() - consumed_;
  if (available < kFrameHeaderSize) return Status::kNeedMore;
  const char* header = buffer_.data() + consumed_;
  const uint32_t name_size = GetU32(header + 4);
  const uint32_t text_size = GetU32(header + 8);
  if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || name_size == 0 || name_size > kMaxNameSize ||
      text_size > kMaxTextSize) {
    failed_ = true;
    return Status::kError;
  }
  const size_t total = kFrameHeaderSize + name_size + text_size;
  if (available < total) {
    // Grow once to the whole frame instead of doubling through a large message.
    buffer_.reserve(consumed_ + total);
    return Status::kNeedMore;
  }
  frame->name.assign(header + kFrameHeaderSize, name_size);
  frame->text.assign(header + kFrameHeaderSize + name_size, text_size);
  consumed_ += total;
  if (consumed_ == buffer_.size()) {
    buffer_.clear();
    consumed_ = 0;
  }
  return Status::kFrame;
}

}  // namespace kovanisdk::bridge
