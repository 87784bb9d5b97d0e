#include "host/media/encoding/h264_rbsp.h"

namespace kvp::av {

std::vector<uint8_t> UnescapeRbsp(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rbsp;
  rbsp.reserve(size);
  int zeros = 0;
  for (size_t i = 0; i < size; ++i) {
    if (zeros >= 2 && data[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = data[i] == 0 ? zeros + 1 : 0;
    rbsp.push_back(data[i]);
  }
  return rbsp;
}

std::vector<uint8_t> EscapeRbsp(const std::vector<uint8_t>& rbsp) {
  std::vector<uint8_t> out;
  out.reserve(rbsp.size() + rbsp.size() / 64 + 1);
  int zeros = 0;
  for (const uint8_t byte : rbsp) {
    if (zeros >= 2 && byte <= 3) {
      out.push_back(3);
      zeros = 0;
    }
    zeros = byte == 0 ? zeros + 1 : 0;
    out.push_back(byte);
  }
  // A NAL unit never ends in a zero byte (the cabac_zero_word rule).
  if (!out.empty() && out.back() == 0) out.push_back(3);
  return out;
}

uint32_t RbspReader::Bits(int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) {
    uint32_t bit = 0;
    if (position_ < rbsp_.size() * 8) {
      bit = (rbsp_[position_ / 8] >> (7 - position_ % 8)) & 1;
    } else {
      failed_ = true;
    }
    ++position_;
    value = (value << 1) | bit;
  }
  return value;
}

uint32_t RbspReader::Ue() {
  int leading = 0;
  while (Bits(1) == 0) {
    if (failed_ || ++leading > 31) {
      failed_ = true;
      return 0;
    }
  }
  return ((1u << leading) - 1) + Bits(leading);
}

int32_t RbspReader::Se() {
  const uint32_t code = Ue();
  return code & 1 ? static_cast<int32_t>((code + 1) / 2) : -static_cast<int32_t>(code / 2);
}

void RbspWriter::Bits(uint32_t value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    if (used_ == 8) {
      bytes_.push_back(0);
      used_ = 0;
    }
    bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (7 - used_));
    ++used_;
  }
}

void RbspWriter::Ue(uint32_t value) {
  const uint64_t code = static_cast<uint64_t>(value) + 1;
  int length = 0;
  while ((code >> (length + 1)) != 0) ++length;
  Bits(0, length);
  for (int i = length; i >= 0; --i) Bits(static_cast<uint32_t>((code >> i) & 1), 1);
}

void RbspWriter::Se(int32_t value) {
  Ue(value > 0 ? static_cast<uint32_t>(2 * value - 1) : static_cast<uint32_t>(-2 * static_cast<int64_t>(value)));
}

void RbspWriter::AlignWithZeros() { used_ = 8; }

void RbspWriter::Bytes(const uint8_t* data, size_t size) {
  AlignWithZeros();
  bytes_.insert(bytes_.end(), data, data + size);
}

std::vector<uint8_t> RbspWriter::Finish() {
  Bits(1, 1);
  used_ = 8;
  return std::move(bytes_);
}

void OverwriteBits(std::vector<uint8_t>* rbsp, size_t position, int count, uint32_t value) {
  for (int i = 0; i < count; ++i, ++position) {
    const uint8_t mask = static_cast<uint8_t>(1 << (7 - position % 8));
    const bool bit = (value >> (count - 1 - i)) & 1;
    uint8_t& byte = (*rbsp)[position / 8];
    byte = bit ? (byte | mask) : (byte & ~mask);
  }
}

}  // namespace kvp::av
