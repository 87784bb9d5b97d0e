#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/media/encoding/patch_planner.h"

namespace kvp::av {

class RbspReader;
class RbspWriter;

// Makes the frames of a still screen without the encoder: an access unit whose one slice is a
// P slice of nothing but skipped macroblocks, which a decoder turns into an exact copy of the
// last picture for a few dozen bytes and no encoding work.
//
// Why not let libx264 encode the same picture again: it still copies it in, analyses every
// macroblock, filters and interpolates the whole reference and deblocks it, several milliseconds
// a 1080p frame. Why not a non-reference repeat: the stream's pictures are ordered by frame_num
// alone (picture order count type 2, no B-frames), which does not allow two non-reference
// pictures in a row. So a repeat is a reference picture: it takes the next frame_num and pushes
// the oldest picture out of the decoder's buffer (with a single reference frame, its exact
// twin). libx264 does not know of the repeats, so the slices of its next frames are renumbered
// by the repeats made since the last key frame; they still predict from the picture they mean.
//
// A key frame that falls due on a still screen need not be encoded either: when libx264 made
// nothing since its last key frame and the picture is still that one, the key frame's access
// unit is written again. Encoding it again would cost a full intra frame, and as the encoder's
// rate control has moved on it would not even decode to the same picture. The two copies are
// never next to each other (an IDR picture's id must differ from the one right before it).
//
// The repeat slice uses a picture parameter set of its own (CAVLC, so the slice data is a
// single skip run; deblocking off, as nothing is coded), put into every key frame beside
// libx264's, so that the stream still decodes from any key frame.
//
// A picture that differs from libx264's last one in a few macroblocks (the pointer moved, a
// clock ticked) is written as a patch (PatchPlanner): a P slice of the same kind whose changed
// macroblocks are raw samples (I_PCM) and whose others are skipped or copied from the patch
// before. libx264 must go on predicting from its own last picture, not from a patch, so patches
// are long-term references: each replaces the one before it (memory management commands), they
// come after the short-term pictures in a reference list, and libx264's next frame, which uses
// the first entry, still predicts from its own picture. For that the sequence parameter set is
// rewritten from one reference frame to two (the same number of bits); a plain repeat after a
// patch would show libx264's picture again, so it is a patch copying every patched macroblock.
//
// Repeats are possible once libx264's parameter sets were seen and they fit: frames only, one
// reference frame, picture order count type 2, no scaling matrices. Used by one thread.
class RepeatFrameCoder {
 public:
  // `patches`: whether patches may be made. libx264 must then never reorder its reference list
  // (it does so only for the duplicate references of its "smart" weighted prediction), because
  // its reorder commands count pictures, and the patches are pictures it does not know of.
  explicit RepeatFrameCoder(bool patches = true) : patches_(patches) {}

  // Takes an access unit (Annex-B) that libx264 made. Returns true when it was rewritten into
  // *rewritten (slices renumbered, the repeats' parameter set added to a key frame), which is
  // then written instead; false: it stands as it is.
  bool TakeEncoded(const uint8_t* data, size_t size, std::vector<uint8_t>* rewritten);
  // Whether a repeat of the last picture can be made now.
  bool CanRepeat() const;
  // An access unit (Annex-B) that shows the last picture again.
  std::vector<uint8_t> MakeRepeat();
  // Whether a patch can be made now.
  bool CanPatch() const { return patches_ && patches_fit_ && CanRepeat(); }
  // An access unit (Annex-B) that shows `patch` over libx264's last picture; its kCopy
  // macroblocks must be ones the patch right before holds.
  std::vector<uint8_t> MakePatch(const FramePatch& patch);
  // Whether libx264's last frame is its last key frame, and the stream's last frame is not a
  // key frame: ReplayKey() may then stand for a new key frame of the same picture.
  bool CanReplayKey() const;
  // Libx264's last key frame again (Annex-B), as the stream's next frame.
  const std::vector<uint8_t>& ReplayKey();

 private:
  struct Nal {
    const uint8_t* data;  // the header byte onwards
    size_t size;
  };
  static std::vector<Nal> SplitAnnexB(const uint8_t* data, size_t size);
  void ReadSequenceParameters(const Nal& nal);
  // Reads the video usability information up to max_dec_frame_buffering; its bit position, or
  // 0 when it is not there.
  static size_t FindDecFrameBuffering(RbspReader& r);
  // The sequence parameter set with room for a patch beside libx264's reference frame.
  std::vector<uint8_t> TwoReferenceFrames(const Nal& nal) const;
  void ReadPictureParameters(const Nal& nal);
  // The slice's renumbered payload, or empty when it keeps its number.
  std::vector<uint8_t> TakeSlice(const Nal& nal);
  void StartKeyFrame();
  // A short-term reference picture came; the oldest goes when the buffer is full.
  void SlideWindow(uint32_t frame_num);
  uint32_t NextFrameNum() const { return (last_frame_num_ + 1) & ((1u << frame_num_bits_) - 1); }
  // The slice header's fields up to the slice data, shared by repeats and patches.
  void WriteSliceHead(RbspWriter& slice, uint32_t frame_num) const;
  std::vector<uint8_t> OwnPictureParameters() const;
  uint32_t OwnPpsId() const { return (pps_id_ + 1) & 0xFF; }
  static void AppendNal(uint8_t header, const std::vector<uint8_t>& rbsp, std::vector<uint8_t>* out);

  const bool patches_;
  // From the sequence parameter set.
  bool sps_fits_ = false;
  bool patches_fit_ = false;  // a second reference frame can be written in
  size_t ref_frames_at_ = 0;  // bit positions of max_num_ref_frames and max_dec_frame_buffering
  size_t dec_buffering_at_ = 0;
  uint32_t sps_id_ = 0;
  int frame_num_bits_ = 0;
  uint32_t macroblocks_ = 0;
  // From the picture parameter set.
  bool pps_seen_ = false;
  uint32_t pps_id_ = 0;
  int32_t pic_init_qp_minus26_ = 0;
  int32_t chroma_qp_index_offset_ = 0;
  // The frame_num of the last reference picture in the stream and in libx264's numbering; their
  // difference renumbers libx264's slices.
  uint32_t last_frame_num_ = 0;
  uint32_t encoder_frame_num_ = 0;
  // Whether the last picture is in the decoder's reference buffer (libx264 made it a reference).
  bool last_is_reference_ = false;
  // The decoder's short-term reference frames (frame_num, oldest first) and whether a patch is
  // its long-term one.
  std::vector<uint32_t> short_refs_;
  bool long_ref_ = false;
  // The last picture's patch; empty when it was not a patch.
  std::vector<FramePatch::Kind> last_patch_;
  // Libx264's last key frame, whether it made any frame after it, and whether the stream's
  // last frame is a key frame.
  std::vector<uint8_t> key_frame_;
  bool encoded_since_key_ = true;
  bool last_written_key_ = false;
  // Whether the repeats' parameter set was sent since the last key frame (libx264's key frames
  // bring their parameter sets, and then ours too).
  bool own_pps_sent_ = false;
};

}  // namespace kvp::av
