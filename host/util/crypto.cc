#include "host/util/crypto.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <array>

#include "host/base/logging/logger.h"

namespace util::crypto {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ToHex(const unsigned char* bytes, size_t size) {
  std::string hex;
  hex.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    hex.push_back(kHexDigits[bytes[i] >> 4]);
    hex.push_back(kHexDigits[bytes[i] & 0x0f]);
  }
  return hex;
}

std::string DigestHex(const EVP_MD* md, std::string_view data) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &size, md, nullptr) != 1) {
    KLOG(1) << "digest failed";
    return {};
  }
  return ToHex(digest.data(), size);
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string Md5(std::string_view data) { return DigestHex(EVP_md5(), data); }

Md5Stream::Md5Stream() : context_(EVP_MD_CTX_new()) {
  EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(context_), EVP_md5(), nullptr);
}

Md5Stream::~Md5Stream() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context_)); }

void Md5Stream::Update(const void* data, size_t size) {
  EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context_), data, size);
}

std::string Md5Stream::HexDigest() {
  auto* context = static_cast<EVP_MD_CTX*>(context_);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int size = 0;
  EVP_DigestFinal_ex(context, digest.data(), &size);
  EVP_DigestInit_ex(context, EVP_md5(), nullptr);
  return ToHex(digest.data(), size);
}

std::string Sha256Hex(std::string_view data) { return DigestHex(EVP_sha256(), data); }

std::string HmacSha256Hex(std::string_view key, std::string_view message) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> mac{};
  unsigned int size = 0;
  // A zero-length key is legal for HMAC, but OpenSSL wants a non-null pointer for it.
  static const unsigned char kEmpty = 0;
  const void* key_data = key.empty() ? static_cast<const void*>(&kEmpty) : key.data();
  if (!HMAC(EVP_sha256(), key_data, static_cast<int>(key.size()),
            reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac.data(),
            &size)) {
    KLOG(1) << "HMAC-SHA256 failed";
    return {};
  }
  return ToHex(mac.data(), size);
}

std::string Encode64(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    const uint32_t n = (static_cast<unsigned char>(data[i]) << 16) |
                       (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    out.push_back(kBase64Alphabet[(n >> 18) & 63]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(kBase64Alphabet[(n >> 6) & 63]);
    out.push_back(kBase64Alphabet[n & 63]);
  }
  const size_t rest = data.size() - i;
  if (rest > 0) {
    uint32_t n = static_cast<unsigned char>(data[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(data[i + 1]) << 8;
    out.push_back(kBase64Alphabet[(n >> 18) & 63]);
    out.push_back(kBase64Alphabet[(n >> 12) & 63]);
    out.push_back(rest == 2 ? kBase64Alphabet[(n >> 6) & 63] : '=');
    out.push_back('=');
  }
  return out;
}

std::string Decode64(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3);
  uint32_t group = 0;
  int count = 0;    // sextets in the current group
  int padding = 0;  // '=' seen; only white space may follow the padding
  for (char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      if (count < 2 || ++padding > 2) return {};
      continue;
    }
    const int value = Base64Value(c);
    if (value < 0 || padding > 0) return {};
    group = (group << 6) | static_cast<uint32_t>(value);
    if (++count == 4) {
      out.push_back(static_cast<char>((group >> 16) & 0xff));
      out.push_back(static_cast<char>((group >> 8) & 0xff));
      out.push_back(static_cast<char>(group & 0xff));
      group = 0;
      count = 0;
    }
  }
  if (count == 1) return {};
  if (padding > 0 && count + padding != 4) return {};
  if (count == 2) {
    out.push_back(static_cast<char>((group >> 4) & 0xff));
  } else if (count == 3) {
    out.push_back(static_cast<char>((group >> 10) & 0xff));
    out.push_back(static_cast<char>((group >> 2) & 0xff));
  }
  return out;
}

std::string RawUrlEncode(std::string_view text) {
  static constexpr char kUpperHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
                            c == '~';
    if (unreserved) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kUpperHex[c >> 4]);
      out.push_back(kUpperHex[c & 0x0f]);
    }
  }
  return out;
}

std::string Random(size_t length) {
  std::string bytes((length + 1) / 2, '\0');
  if (!bytes.empty() &&
      RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), static_cast<int>(bytes.size())) !=
          1) {
    KLOG(1) << "the random source failed";
    return {};
  }
  std::string hex = ToHex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  hex.resize(length);
  return hex;
}

}  // namespace util::crypto
