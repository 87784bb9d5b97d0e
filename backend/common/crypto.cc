#include "common/crypto.h"

// The only OpenSSL interface whose midstate can be saved and resumed is the low-level MD5 one,
// deprecated since 3.0 in favour of EVP, which hides its state. OpenSSL reads this switch when
// its first header is included.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/md5.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstdlib>

namespace qr_backend {

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Tokens and ids made without randomness would be guessable; a server in that state must stop.
void FillRandom(void* out, size_t size) {
  if (RAND_bytes(static_cast<unsigned char*>(out), static_cast<int>(size)) != 1) {
    std::fputs("qr-backend: no randomness available\n", stderr);
    std::abort();
  }
}

std::string Digest(const EVP_MD* md, std::string_view data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(data.data(), data.size(), out, &size, md, nullptr);
  return ToHex(out, size);
}

}  // namespace

std::string ToHex(const unsigned char* data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    hex.push_back(kDigits[data[i] >> 4]);
    hex.push_back(kDigits[data[i] & 0x0f]);
  }
  return hex;
}

std::string Sha256Hex(std::string_view data) { return Digest(EVP_sha256(), data); }

std::string Md5Hex(std::string_view data) { return Digest(EVP_md5(), data); }

std::string HmacSha256Hex(std::string_view key, std::string_view message) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
       reinterpret_cast<const unsigned char*>(message.data()), message.size(), out, &size);
  return ToHex(out, size);
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string Base64Encode(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    uint32_t n = (uint8_t(data[i]) << 16) | (uint8_t(data[i + 1]) << 8) | uint8_t(data[i + 2]);
    out.push_back(kBase64Alphabet[(n >> 18) & 63]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(kBase64Alphabet[(n >> 6) & 63]);
    out.push_back(kBase64Alphabet[n & 63]);
  }
  if (size_t rest = data.size() - i; rest > 0) {
    uint32_t n = uint8_t(data[i]) << 16;
    if (rest == 2) n |= uint8_t(data[i + 1]) << 8;
    out.push_back(kBase64Alphabet[(n >> 18) & 63]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(rest == 2 ? kBase64Alphabet[(n >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::optional<std::string> Base64Decode(std::string_view text) {
  std::string symbols;
  symbols.reserve(text.size());
  size_t padding = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0 || Base64Value(c) < 0) return std::nullopt;  // data after padding
    symbols.push_back(c);
  }
  const size_t rest = symbols.size() % 4;
  if (rest == 1 || padding > 2) return std::nullopt;
  if (padding > 0 && (symbols.size() + padding) % 4 != 0) return std::nullopt;

  std::string out;
  out.reserve(symbols.size() / 4 * 3 + 2);
  uint32_t acc = 0;
  int bits = 0;
  for (char c : symbols) {
    acc = (acc << 6) | uint32_t(Base64Value(c));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(char((acc >> bits) & 0xff));
    }
  }
  // The bits left over must be zero, or the text was not produced by an encoder.
  if (bits > 0 && (acc & ((1u << bits) - 1)) != 0) return std::nullopt;
  return out;
}

std::string RandomHex(size_t bytes) {
  std::string raw(bytes, '\0');
  FillRandom(raw.data(), raw.size());
  return ToHex(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
}

std::string RandomDecimalId() {
  uint64_t n = 0;
  FillRandom(&n, sizeof n);
  // 19 digits: 10^18 .. 10^19-1 always fits in 64 bits.
  constexpr uint64_t kLow = 1000000000000000000ull;
  return std::to_string(kLow + n % (9 * kLow));
}

struct Md5::State {
  MD5_CTX ctx;
};

Md5::Md5() : state_(std::make_unique<State>()) { MD5_Init(&state_->ctx); }

Md5::~Md5() = default;

void Md5::Update(const void* data, size_t size) { MD5_Update(&state_->ctx, data, size); }

std::array<unsigned char, 16> Md5::Final() {
  std::array<unsigned char, 16> out{};
  MD5_Final(out.data(), &state_->ctx);
  return out;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int byte = 0;
    for (char c : hex.substr(i, 2)) {
      const int value = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : -1;
      if (value < 0) return std::nullopt;
      byte = byte * 16 + value;
    }
    out.push_back(static_cast<char>(byte));
  }
  return out;
}

}  // namespace qr_backend
