#include "host/util/networkinfo.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <atomic>
#include <mutex>
#include <set>

#include "host/base/logging/logger.h"
#include "host/base/threading/looper.h"

namespace util::networkinfo {

namespace {

bool KernelSaysOnline() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    KLOG(3) << "getifaddrs failed; taking the network as online";
    return true;
  }
  bool online = false;
  for (ifaddrs* entry = list; entry && !online; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    if (!entry->ifa_addr || (flags & IFF_LOOPBACK) || !(flags & IFF_UP) || !(flags & IFF_RUNNING)) continue;
    if (entry->ifa_addr->sa_family == AF_INET) {
      online = true;
    } else if (entry->ifa_addr->sa_family == AF_INET6) {
      const auto* address = reinterpret_cast<const sockaddr_in6*>(entry->ifa_addr);
      online = !IN6_IS_ADDR_LINKLOCAL(&address->sin6_addr);
    }
  }
  freeifaddrs(list);
  return online;
}

// Polls while anyone listens; a chain of delayed tasks rather than a timer object, so that nothing
// holds a looper after the last listener left.
class NetworkMonitor {
 public:
  static NetworkMonitor& Get() {
    static auto* monitor = new NetworkMonitor();
    return *monitor;
  }

  void Add(NetworkChangeListener* listener) {
    bool start;
    {
      std::lock_guard lock(mutex_);
      if (!listener || !listeners_.insert(listener).second) return;
      start = listeners_.size() == 1;
      if (start) last_online_ = ProbeLocked();
    }
    if (start) ScheduleCheck(++generation_);
  }

  void Remove(NetworkChangeListener* listener) {
    std::lock_guard lock(mutex_);
    listeners_.erase(listener);
    if (listeners_.empty()) ++generation_;  // ends the polling chain
  }

  bool Online() {
    std::lock_guard lock(mutex_);
    return ProbeLocked();
  }

  void SetProbe(std::function<bool()> probe) {
    std::lock_guard lock(mutex_);
    probe_ = std::move(probe);
  }

 private:
  bool ProbeLocked() { return probe_ ? probe_() : KernelSaysOnline(); }

  void ScheduleCheck(uint64_t generation) {
    base::threading::Looper* main = base::threading::LooperThread::MainLooper();
    if (!main) return;
    main->PostDelayedTask([this, generation] { Check(generation); }, kCheckIntervalMs, FROM_HERE);
  }

  void Check(uint64_t generation) {
    std::set<NetworkChangeListener*> listeners;
    bool online;
    bool changed;
    {
      std::lock_guard lock(mutex_);
      if (generation != generation_) return;
      online = ProbeLocked();
      changed = online != last_online_;
      last_online_ = online;
      if (changed) listeners = listeners_;
    }
    if (changed) KLOG(6) << "network is now " << (online ? "online" : "offline");
    for (NetworkChangeListener* listener : listeners) {
      bool still_listening;
      {
        std::lock_guard lock(mutex_);
        still_listening = listeners_.count(listener) > 0;
      }
      if (still_listening) listener->OnNetworkChanged(online);
    }
    ScheduleCheck(generation);
  }

  std::mutex mutex_;
  std::set<NetworkChangeListener*> listeners_;
  std::function<bool()> probe_;
  bool last_online_ = true;
  std::atomic<uint64_t> generation_{0};
};

}  // namespace

void AddNetworkChangeListener(NetworkChangeListener* listener) { NetworkMonitor::Get().Add(listener); }

void RemoveNetworkChangeListener(NetworkChangeListener* listener) { NetworkMonitor::Get().Remove(listener); }

bool IsNetworkOnline() { return NetworkMonitor::Get().Online(); }

void SetOnlineProbeForTesting(std::function<bool()> probe) { NetworkMonitor::Get().SetProbe(std::move(probe)); }

}  // namespace util::networkinfo
