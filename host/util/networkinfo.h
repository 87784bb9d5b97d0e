#pragma once

#include <cstdint>
#include <functional>

// Whether the machine is on a network, and listeners for changes. "Online" means an interface
// other than loopback is up and running and has an IPv4 address or a non-link-local IPv6 address
// (the kernel's interface list, getifaddrs). While anyone listens, that is checked every
// kCheckIntervalMs on the main looper; listeners hear each change there.
namespace util::networkinfo {

constexpr int64_t kCheckIntervalMs = 3000;

class NetworkChangeListener {
 public:
  virtual ~NetworkChangeListener() = default;
  virtual void OnNetworkChanged(bool online) = 0;
};

// Not owned; remove a listener before it is destroyed (and before the host's loopers go).
void AddNetworkChangeListener(NetworkChangeListener* listener);
void RemoveNetworkChangeListener(NetworkChangeListener* listener);

// Reads the state now.
bool IsNetworkOnline();

// Replaces the kernel reading (tests); an empty function restores it.
void SetOnlineProbeForTesting(std::function<bool()> probe);

}  // namespace util::networkinfo
