#include "host/media/encoding/repeat_frame_coder.h"

#include <algorithm>
#include <cstring>

#include "host/media/encoding/h264_rbsp.h"

namespace kvp::av {

namespace {

constexpr uint8_t kNalSlice = 1;
constexpr uint8_t kNalIdrSlice = 5;
constexpr uint8_t kNalSps = 7;
constexpr uint8_t kNalPps = 8;
constexpr uint32_t kSliceTypeP = 5;  // P, and every slice of the picture is P
// Enough of a slice's payload to hold first_mb_in_slice, slice_type, pic_parameter_set_id and
// frame_num (at most 27 + 9 + 17 + 16 bits) with room for emulation-prevention bytes.
constexpr size_t kSliceHeadBytes = 32;

// Profiles whose sequence parameter sets carry the chroma format and bit depths.
bool HasChromaFormat(uint32_t profile) {
  switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128: case 138: case 139:
    case 134: case 135:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::vector<RepeatFrameCoder::Nal> RepeatFrameCoder::SplitAnnexB(const uint8_t* data, size_t size) {
  // Start codes are found by their 0x01 (memchr), rare in coded data, rather than byte by byte.
  std::vector<Nal> nals;
  size_t start = 0;
  bool open = false;
  for (size_t i = 2; i < size;) {
    const void* one = std::memchr(data + i, 1, size - i);
    if (!one) break;
    i = static_cast<size_t>(static_cast<const uint8_t*>(one) - data);
    if (data[i - 1] != 0 || data[i - 2] != 0) {
      ++i;
      continue;
    }
    if (open) {
      size_t end = i - 2;
      while (end > start && data[end - 1] == 0) --end;  // the zero of a four-byte start code
      nals.push_back({data + start, end - start});
    }
    start = i + 1;
    open = true;
    i += 3;
  }
  if (open && start < size) nals.push_back({data + start, size - start});
  return nals;
}

bool RepeatFrameCoder::TakeEncoded(const uint8_t* data, size_t size, std::vector<uint8_t>* rewritten) {
  const std::vector<Nal> nals = SplitAnnexB(data, size);
  bool key = false;
  for (const Nal& nal : nals) key = key || (nal.size > 0 && (nal.data[0] & 0x1F) == kNalIdrSlice);
  encoded_since_key_ = !key;
  last_written_key_ = key;
  last_patch_.clear();
  if (key) StartKeyFrame();
  // A key frame carries the repeats' parameter set beside libx264's, so that whatever collects
  // a stream's parameter sets from its first key frame (a muxer's decoder configuration) has it.
  bool changed = false;
  std::vector<std::vector<uint8_t>> parts(nals.size());
  for (size_t i = 0; i < nals.size(); ++i) {
    const Nal& nal = nals[i];
    if (nal.size < 2) continue;
    const uint8_t type = nal.data[0] & 0x1F;
    if (type == kNalSps) {
      ReadSequenceParameters(nal);
      if (patches_ && patches_fit_) AppendNal(nal.data[0], TwoReferenceFrames(nal), &parts[i]);
    }
    if (type == kNalPps) {
      ReadPictureParameters(nal);
      if (key && sps_fits_ && pps_seen_) {
        parts[i] = {0, 0, 0, 1};
        parts[i].insert(parts[i].end(), nal.data, nal.data + nal.size);
        AppendNal(0x60 | kNalPps, OwnPictureParameters(), &parts[i]);
        own_pps_sent_ = true;
      }
    }
    if (type == kNalSlice || type == kNalIdrSlice) {
      const std::vector<uint8_t> slice = TakeSlice(nal);
      if (!slice.empty()) AppendNal(nal.data[0], slice, &parts[i]);
    }
    changed = changed || !parts[i].empty();
  }
  if (changed) {
    static constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
    rewritten->clear();
    for (size_t i = 0; i < nals.size(); ++i) {
      if (parts[i].empty()) {
        rewritten->insert(rewritten->end(), kStartCode, kStartCode + 4);
        rewritten->insert(rewritten->end(), nals[i].data, nals[i].data + nals[i].size);
      } else {
        rewritten->insert(rewritten->end(), parts[i].begin(), parts[i].end());
      }
    }
  }
  if (key) {
    if (changed) {
      key_frame_ = *rewritten;
    } else {
      key_frame_.assign(data, data + size);
    }
  }
  return changed;
}

std::vector<uint8_t> RepeatFrameCoder::TakeSlice(const Nal& nal) {
  const bool reference = (nal.data[0] & 0x60) != 0;
  // Only the head of the slice is unescaped to read its number: a busy frame's slices are
  // hundreds of kilobytes that stay as they are unless repeats came before them.
  const std::vector<uint8_t> head = UnescapeRbsp(nal.data + 1, std::min(nal.size - 1, kSliceHeadBytes));
  RbspReader reader(head);
  const uint32_t first_mb = reader.Ue();
  reader.Ue();  // slice_type
  reader.Ue();  // pic_parameter_set_id
  const size_t at = reader.position();
  const uint32_t frame_num = reader.Bits(frame_num_bits_);
  if (reader.failed() || !sps_fits_) {
    last_is_reference_ = false;
    return {};
  }
  const uint32_t mask = (1u << frame_num_bits_) - 1;
  const uint32_t renumber_by = (last_frame_num_ - encoder_frame_num_) & mask;
  const uint32_t stream_frame_num = (frame_num + renumber_by) & mask;
  last_is_reference_ = reference;
  if (reference) {
    encoder_frame_num_ = frame_num;
    last_frame_num_ = stream_frame_num;
    if (first_mb == 0 && (nal.data[0] & 0x1F) != kNalIdrSlice) SlideWindow(stream_frame_num);
  }
  if (renumber_by == 0) return {};
  std::vector<uint8_t> rbsp = UnescapeRbsp(nal.data + 1, nal.size - 1);
  OverwriteBits(&rbsp, at, frame_num_bits_, stream_frame_num);
  return rbsp;
}

void RepeatFrameCoder::ReadSequenceParameters(const Nal& nal) {
  const std::vector<uint8_t> rbsp = UnescapeRbsp(nal.data + 1, nal.size - 1);
  RbspReader r(rbsp);
  sps_fits_ = false;
  const uint32_t profile = r.Bits(8);
  r.Bits(16);  // constraint flags, level
  sps_id_ = r.Ue();
  if (HasChromaFormat(profile)) {
    if (r.Ue() == 3 && r.Bits(1)) return;  // separate colour planes
    r.Ue();  // bit_depth_luma_minus8
    r.Ue();  // bit_depth_chroma_minus8
    r.Bits(1);  // qpprime_y_zero_transform_bypass_flag
    if (r.Bits(1)) return;  // scaling matrices
  }
  frame_num_bits_ = static_cast<int>(r.Ue()) + 4;
  const uint32_t poc_type = r.Ue();
  if (poc_type != 2) return;
  ref_frames_at_ = r.position();
  const uint32_t reference_frames = r.Ue();
  r.Bits(1);  // gaps_in_frame_num_value_allowed_flag
  const uint32_t width_mbs = r.Ue() + 1;
  const uint32_t height_mbs = r.Ue() + 1;
  const bool frames_only = r.Bits(1) == 1;
  sps_fits_ = !r.failed() && reference_frames == 1 && frames_only && frame_num_bits_ <= 16;
  macroblocks_ = width_mbs * height_mbs;
  patches_fit_ = false;
  if (!sps_fits_) return;
  r.Bits(1);  // direct_8x8_inference_flag
  if (r.Bits(1)) {  // frame cropping
    for (int i = 0; i < 4; ++i) r.Ue();
  }
  dec_buffering_at_ = r.Bits(1) ? FindDecFrameBuffering(r) : 0;
  if (r.failed()) return;
  // One reference frame and a decoded-picture buffer of one, each written as ue(1), become two
  // in place: ue(2) is as long. A buffer already larger needs no change; one of zero cannot be.
  if (dec_buffering_at_ == 0) {
    patches_fit_ = true;
    return;
  }
  RbspReader at(rbsp);
  at.Bits(static_cast<int>(dec_buffering_at_));
  const uint32_t buffering = at.Ue();
  patches_fit_ = buffering >= 1;
  if (buffering != 1) dec_buffering_at_ = 0;
}

size_t RepeatFrameCoder::FindDecFrameBuffering(RbspReader& r) {
  if (r.Bits(1) && r.Bits(8) == 255) r.Bits(32);  // aspect ratio, an explicit one
  if (r.Bits(1)) r.Bits(1);  // overscan
  if (r.Bits(1)) {  // video signal type
    r.Bits(4);
    if (r.Bits(1)) r.Bits(24);  // colour description
  }
  if (r.Bits(1)) {  // chroma sample location
    r.Ue();
    r.Ue();
  }
  if (r.Bits(1)) {  // timing
    r.Bits(32);
    r.Bits(32);
    r.Bits(1);
  }
  bool any_hrd = false;
  for (int hrd = 0; hrd < 2; ++hrd) {  // NAL, then VCL hypothetical reference decoder
    if (!r.Bits(1)) continue;
    any_hrd = true;
    const uint32_t cpbs = r.Ue() + 1;
    r.Bits(8);  // bit_rate_scale, cpb_size_scale
    for (uint32_t i = 0; i < cpbs && !r.failed(); ++i) {
      r.Ue();
      r.Ue();
      r.Bits(1);
    }
    r.Bits(20);  // four delay and offset lengths
  }
  if (any_hrd) r.Bits(1);  // low_delay_hrd_flag
  r.Bits(1);  // pic_struct_present_flag
  if (!r.Bits(1)) return 0;  // no bitstream restriction
  r.Bits(1);  // motion_vectors_over_pic_boundaries_flag
  for (int i = 0; i < 5; ++i) r.Ue();  // bytes and bits limits, motion vector lengths, reordering
  return r.failed() ? 0 : r.position();
}

std::vector<uint8_t> RepeatFrameCoder::TwoReferenceFrames(const Nal& nal) const {
  std::vector<uint8_t> rbsp = UnescapeRbsp(nal.data + 1, nal.size - 1);
  constexpr uint32_t kUe2 = 0b011;
  OverwriteBits(&rbsp, ref_frames_at_, 3, kUe2);
  if (dec_buffering_at_ != 0) OverwriteBits(&rbsp, dec_buffering_at_, 3, kUe2);
  return rbsp;
}

void RepeatFrameCoder::ReadPictureParameters(const Nal& nal) {
  const std::vector<uint8_t> rbsp = UnescapeRbsp(nal.data + 1, nal.size - 1);
  RbspReader r(rbsp);
  pps_id_ = r.Ue();
  r.Ue();  // seq_parameter_set_id
  r.Bits(2);  // entropy_coding_mode_flag, bottom_field_pic_order_in_frame_present_flag
  const bool one_slice_group = r.Ue() == 0;
  r.Ue();  // num_ref_idx_l0_default_active_minus1
  r.Ue();  // num_ref_idx_l1_default_active_minus1
  r.Bits(3);  // weighted_pred_flag, weighted_bipred_idc
  pic_init_qp_minus26_ = r.Se();
  r.Se();  // pic_init_qs_minus26
  chroma_qp_index_offset_ = r.Se();
  pps_seen_ = !r.failed() && one_slice_group;
}

bool RepeatFrameCoder::CanRepeat() const { return sps_fits_ && pps_seen_ && last_is_reference_; }

void RepeatFrameCoder::WriteSliceHead(RbspWriter& slice, uint32_t frame_num) const {
  slice.Ue(0);  // first_mb_in_slice
  slice.Ue(kSliceTypeP);
  slice.Ue(OwnPpsId());
  slice.Bits(frame_num, frame_num_bits_);
}

std::vector<uint8_t> RepeatFrameCoder::MakeRepeat() {
  if (!last_patch_.empty()) {
    // The patch holds what libx264's picture does not show: copy all of it.
    FramePatch repeat;
    repeat.kinds = last_patch_;
    for (FramePatch::Kind& kind : repeat.kinds) {
      if (kind == FramePatch::Kind::kRaw) kind = FramePatch::Kind::kCopy;
    }
    return MakePatch(repeat);
  }
  std::vector<uint8_t> out;
  if (!own_pps_sent_) {
    AppendNal(0x60 | kNalPps, OwnPictureParameters(), &out);
    own_pps_sent_ = true;
  }
  const uint32_t frame_num = NextFrameNum();
  RbspWriter slice;
  WriteSliceHead(slice, frame_num);
  slice.Bits(0, 1);  // num_ref_idx_active_override_flag
  slice.Bits(0, 1);  // ref_pic_list_modification_flag_l0
  slice.Bits(0, 1);  // adaptive_ref_pic_marking_mode_flag: the sliding window
  slice.Se(0);  // slice_qp_delta
  slice.Ue(1);  // disable_deblocking_filter_idc
  slice.Ue(macroblocks_);  // mb_skip_run: every macroblock
  AppendNal(0x40 | kNalSlice, slice.Finish(), &out);
  last_frame_num_ = frame_num;
  last_written_key_ = false;
  SlideWindow(frame_num);
  return out;
}

std::vector<uint8_t> RepeatFrameCoder::MakePatch(const FramePatch& patch) {
  using Kind = FramePatch::Kind;
  std::vector<uint8_t> out;
  if (!own_pps_sent_) {
    AppendNal(0x60 | kNalPps, OwnPictureParameters(), &out);
    own_pps_sent_ = true;
  }
  const uint32_t frame_num = NextFrameNum();
  const uint32_t mask = (1u << frame_num_bits_) - 1;
  const bool copies = std::find(patch.kinds.begin(), patch.kinds.end(), Kind::kCopy) != patch.kinds.end();
  RbspWriter slice;
  WriteSliceHead(slice, frame_num);
  // The list is libx264's picture, then the patch before (the long-term reference).
  slice.Bits(copies ? 1 : 0, 1);  // num_ref_idx_active_override_flag
  if (copies) slice.Ue(1);  // two references
  slice.Bits(0, 1);  // ref_pic_list_modification_flag_l0
  // Memory management: only the newest short-term picture stays (the buffer holds two frames),
  // and this patch becomes the one long-term picture, replacing the patch before.
  slice.Bits(1, 1);  // adaptive_ref_pic_marking_mode_flag
  for (size_t i = 0; i + 1 < short_refs_.size(); ++i) {
    slice.Ue(1);  // unmark a short-term picture
    slice.Ue(((frame_num - short_refs_[i]) & mask) - 1);  // difference_of_pic_nums_minus1
  }
  slice.Ue(4);  // the long-term indices ...
  slice.Ue(1);  // ... are 0 alone
  slice.Ue(6);  // this picture is long-term ...
  slice.Ue(0);  // ... index 0
  slice.Ue(0);  // end of the commands
  slice.Se(0);  // slice_qp_delta
  slice.Ue(1);  // disable_deblocking_filter_idc: raw and copied samples stay as they are
  constexpr uint32_t kPIntraPcm = 5 + 25;  // P slices number the intra types after their own five
  const uint8_t* raw = patch.raw.data();
  uint32_t skipped = 0;
  for (const Kind kind : patch.kinds) {
    if (kind == Kind::kSkip) {
      ++skipped;
      continue;
    }
    slice.Ue(skipped);  // mb_skip_run
    skipped = 0;
    if (kind == Kind::kRaw) {
      slice.Ue(kPIntraPcm);
      slice.Bytes(raw, 384);  // after pcm_alignment_zero_bits
      raw += 384;
    } else {
      // P_L0_16x16 from reference 1 with no motion and no residual. Every motion vector in the
      // slice is zero (skipped macroblocks predict theirs from zero neighbours), so the
      // difference to the predicted vector is zero too.
      slice.Ue(0);  // mb_type
      slice.Bits(0, 1);  // ref_idx_l0 = 1, te(v) over two references: one inverted bit
      slice.Se(0);  // mvd_l0 x
      slice.Se(0);  // mvd_l0 y
      slice.Ue(0);  // coded_block_pattern 0 (inter)
    }
  }
  if (skipped > 0) slice.Ue(skipped);
  AppendNal(0x40 | kNalSlice, slice.Finish(), &out);
  last_frame_num_ = frame_num;
  last_written_key_ = false;
  short_refs_.erase(short_refs_.begin(), short_refs_.end() - std::min<size_t>(1, short_refs_.size()));
  long_ref_ = true;
  last_patch_ = patch.kinds;
  return out;
}

void RepeatFrameCoder::SlideWindow(uint32_t frame_num) {
  const size_t capacity = patches_ && patches_fit_ ? 2 : 1;
  if (!short_refs_.empty() && short_refs_.size() + (long_ref_ ? 1 : 0) >= capacity) {
    short_refs_.erase(short_refs_.begin());
  }
  short_refs_.push_back(frame_num);
}

bool RepeatFrameCoder::CanReplayKey() const { return !encoded_since_key_ && !last_written_key_ && CanRepeat(); }

const std::vector<uint8_t>& RepeatFrameCoder::ReplayKey() {
  StartKeyFrame();
  last_written_key_ = true;
  return key_frame_;
}

void RepeatFrameCoder::StartKeyFrame() {
  // An IDR picture numbers from 0 and empties the decoder's reference buffer.
  last_frame_num_ = 0;
  encoder_frame_num_ = 0;
  own_pps_sent_ = false;
  short_refs_ = {0};
  long_ref_ = false;
  last_patch_.clear();
}

std::vector<uint8_t> RepeatFrameCoder::OwnPictureParameters() const {
  RbspWriter pps;
  pps.Ue(OwnPpsId());
  pps.Ue(sps_id_);
  pps.Bits(0, 1);  // CAVLC
  pps.Bits(0, 1);  // bottom_field_pic_order_in_frame_present_flag
  pps.Ue(0);  // one slice group
  pps.Ue(0);  // one reference in list 0
  pps.Ue(0);
  pps.Bits(0, 3);  // no weighted prediction
  pps.Se(pic_init_qp_minus26_);
  pps.Se(0);
  pps.Se(chroma_qp_index_offset_);
  pps.Bits(1, 1);  // deblocking_filter_control_present_flag
  pps.Bits(0, 2);  // constrained_intra_pred_flag, redundant_pic_cnt_present_flag
  return pps.Finish();
}

void RepeatFrameCoder::AppendNal(uint8_t header, const std::vector<uint8_t>& rbsp, std::vector<uint8_t>* out) {
  static constexpr uint8_t kStartCode[] = {0, 0, 0, 1};
  out->insert(out->end(), kStartCode, kStartCode + 4);
  out->push_back(header);
  const std::vector<uint8_t> escaped = EscapeRbsp(rbsp);
  out->insert(out->end(), escaped.begin(), escaped.end());
}

}  // namespace kvp::av
