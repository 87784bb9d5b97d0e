#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvp::av {

// Makes the frames of a still screen without the encoder: an access unit whose one slice is a
// P slice of nothing but skipped macroblocks, which a decoder turns into an exact copy of the
// last picture for a few dozen bytes and no encoding work.
//
// Why not let libx264 encode the same picture again: it still copies it in, analyses every
// macroblock, filters and interpolates the whole reference and deblocks it, several milliseconds
// a 1080p frame. Why not a non-reference repeat: the stream's pictures are ordered by frame_num
// alone (picture order count type 2, no B-frames), which does not allow two non-reference
// pictures in a row. So a repeat is a reference picture: it takes the next frame_num and, with
// a single reference frame, pushes the previous picture (its exact twin) out of the decoder's
// buffer. libx264 does not know of the repeats, so the slices of its next frames are renumbered
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
// Repeats are possible once libx264's parameter sets were seen and they fit: frames only, one
// reference frame, picture order count type 2, no scaling matrices. Used by one thread.
class RepeatFrameCoder {
 public:
  // Takes an access unit (Annex-B) that libx264 made. Returns true when it was rewritten into
  // *rewritten (slices renumbered, the repeats' parameter set added to a key frame), which is
  // then written instead; false: it stands as it is.
  bool TakeEncoded(const uint8_t* data, size_t size, std::vector<uint8_t>* rewritten);
  // Whether a repeat of the last picture can be made now.
  bool CanRepeat() const;
  // An access unit (Annex-B) that shows the last picture again.
  std::vector<uint8_t> MakeRepeat();
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
  void ReadPictureParameters(const Nal& nal);
  // The slice's renumbered payload, or empty when it keeps its number.
  std::vector<uint8_t> TakeSlice(const Nal& nal);
  void StartKeyFrame();
  std::vector<uint8_t> OwnPictureParameters() const;
  uint32_t OwnPpsId() const { return (pps_id_ + 1) & 0xFF; }
  static void AppendNal(uint8_t header, const std::vector<uint8_t>& rbsp, std::vector<uint8_t>* out);

  // From the sequence parameter set.
  bool sps_fits_ = false;
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
