#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kvp::av {

// The payload of an H.264 NAL unit without its emulation-prevention bytes, and back.
std::vector<uint8_t> UnescapeRbsp(const uint8_t* data, size_t size);
std::vector<uint8_t> EscapeRbsp(const std::vector<uint8_t>& rbsp);

// Reads the fixed-width and Exp-Golomb fields of an RBSP. Reading past the end sets failed()
// and yields zeros, so a parser checks once at the end.
class RbspReader {
 public:
  explicit RbspReader(const std::vector<uint8_t>& rbsp) : rbsp_(rbsp) {}

  uint32_t Bits(int count);
  uint32_t Ue();
  int32_t Se();
  size_t position() const { return position_; }
  bool failed() const { return failed_; }

 private:
  const std::vector<uint8_t>& rbsp_;
  size_t position_ = 0;  // in bits
  bool failed_ = false;
};

// Writes the same fields; Finish() appends the stop bit and pads to a byte.
class RbspWriter {
 public:
  void Bits(uint32_t value, int count);
  void Ue(uint32_t value);
  void Se(int32_t value);
  // Zero bits up to the next byte boundary, then whole bytes (raw samples).
  void AlignWithZeros();
  void Bytes(const uint8_t* data, size_t size);
  std::vector<uint8_t> Finish();

 private:
  std::vector<uint8_t> bytes_;
  int used_ = 8;  // bits used in the last byte
};

// Overwrites `count` bits at bit `position` of `rbsp`.
void OverwriteBits(std::vector<uint8_t>* rbsp, size_t position, int count, uint32_t value);

}  // namespace kvp::av
