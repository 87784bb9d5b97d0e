#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Framing of bridge IPC messages on a stream socket (docs/bridge-ipc.md):
//   "QRB1" | u32 LE name length | u32 LE text length | name bytes | text bytes
namespace kovanisdk::bridge {

constexpr size_t kFrameHeaderSize = 12;
constexpr uint32_t kMaxNameSize = 1024;
constexpr uint32_t kMaxTextSize = 256u * 1024 * 1024;
// Names with this prefix belong to the bridge itself (hello, ping, pong) and never reach delegates.
constexpr std::string_view kReservedPrefix = "bridge:";
constexpr std::string_view kHelloName = "bridge:hello";
constexpr std::string_view kPingName = "bridge:ping";
constexpr std::string_view kPongName = "bridge:pong";

struct BridgeFrame {
  std::string name;
  std::string text;
};

// A name is 1..kMaxNameSize bytes; a text at most kMaxTextSize.
bool IsValidFrame(std::string_view name, std::string_view text);
// Callers check IsValidFrame first.
std::string EncodeFrame(std::string_view name, std::string_view text);

// Cuts whole frames out of a byte stream that arrives in pieces of any size.
class BridgeFrameReader {
 public:
  enum class Status { kNeedMore, kFrame, kError };

  void Append(const char* data, size_t size);
  // kFrame fills `frame`; kError means the stream is not a bridge stream (or breaks the limits)
  // and cannot be resynchronised: the connection should be closed.
  Status Next(BridgeFrame* frame);
  // Bytes received but not yet returned as frames.
  size_t buffered() const { return buffer_.size() - consumed_; }

 private:
  std::string buffer_;
  size_t consumed_ = 0;
  bool failed_ = false;
};

}  // namespace kovanisdk::bridge
