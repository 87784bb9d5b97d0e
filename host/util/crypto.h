#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Digests, encodings and randomness for the host and the module. Hex output is lower case.
namespace util::crypto {

// MD5 digest of `data` as 32 hex characters.
std::string Md5(std::string_view data);

// MD5 of data that arrives in pieces, so it can be hashed while it is read (still in cache).
class Md5Stream {
 public:
  Md5Stream();
  ~Md5Stream();
  Md5Stream(const Md5Stream&) = delete;
  Md5Stream& operator=(const Md5Stream&) = delete;

  void Update(const void* data, size_t size);
  // 32 hex characters; the stream starts again empty.
  std::string HexDigest();

 private:
  void* context_;  // EVP_MD_CTX*
};
// SHA-256 digest of `data` as 64 hex characters.
std::string Sha256Hex(std::string_view data);
// HMAC-SHA256 of `message` under `key`, as 64 hex characters.
std::string HmacSha256Hex(std::string_view key, std::string_view message);

// Standard Base64 (RFC 4648, with padding, no line breaks).
std::string Encode64(std::string_view data);
// Decodes standard Base64; surrounding and embedded ASCII white space is ignored. Text that is
// not Base64 (bad characters, bad padding, a dangling character) decodes to an empty string.
std::string Decode64(std::string_view text);

// RFC 3986 percent-encoding: A-Z a-z 0-9 - _ . ~ stay, every other byte becomes %XX (upper-case
// hex). Space becomes %20, never '+'.
std::string RawUrlEncode(std::string_view text);

// `length` characters of 0-9a-f from the operating system's cryptographic random source.
std::string Random(size_t length);

}  // namespace util::crypto
