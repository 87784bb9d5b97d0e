#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qr_backend {

// Hashing, MACs, Base64 and randomness over OpenSSL. Hex output is lower case.
std::string ToHex(const unsigned char* data, size_t size);
// Lower-case hex back to bytes; nullopt for anything else.
std::optional<std::string> FromHex(std::string_view hex);
std::string Sha256Hex(std::string_view data);
std::string HmacSha256Hex(std::string_view key, std::string_view message);
std::string Md5Hex(std::string_view data);

// Compares secrets in time that does not depend on where they differ.
bool ConstantTimeEquals(std::string_view a, std::string_view b);

std::string Base64Encode(std::string_view data);
// Standard alphabet; padding optional; line breaks are skipped because common encoders wrap
// long output. Anything else that is not Base64 gives nullopt.
std::optional<std::string> Base64Decode(std::string_view text);

// Cryptographically random bytes as lower-case hex (2 * bytes characters).
std::string RandomHex(size_t bytes);
// A random decimal identifier of 19 digits without a leading zero.
std::string RandomDecimalId();

// Incremental MD5 for streamed object bodies.
class Md5 {
 public:
  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  void Update(const void* data, size_t size);
  std::array<unsigned char, 16> Final();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qr_backend
