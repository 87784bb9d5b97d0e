#include "host/util/deviceinfo.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <sstream>
#include <utility>

#include "host/util/file.h"

namespace util::deviceinfo {
namespace {

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  const size_t end = text.find_last_not_of(" \t\r");
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

}  // namespace

CpuInfo ParseCpuInfo(const std::string& text) {
  CpuInfo info;
  std::set<std::pair<std::string, std::string>> cores;  // (physical id, core id)
  std::string physical_id;
  std::string core_id;
  bool in_processor = false;
  auto end_processor = [&] {
    if (in_processor && !core_id.empty()) cores.emplace(physical_id, core_id);
    physical_id.clear();
    core_id.clear();
  };
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon));
    const std::string value = Trim(line.substr(colon + 1));
    if (key == "processor") {
      end_processor();
      in_processor = true;
      ++info.logical_count;
    } else if (key == "model name" && info.model_name.empty()) {
      info.model_name = value;
    } else if (key == "physical id") {
      physical_id = value;
    } else if (key == "core id") {
      core_id = value;
    }
  }
  end_processor();
  info.physical_count = cores.empty() ? info.logical_count : static_cast<int>(cores.size());
  return info;
}

CpuInfo GetCpuInfo() {
  static const CpuInfo info = [] {
    std::string text;
    util::file::ReadFileToString("/proc/cpuinfo", &text);
    return ParseCpuInfo(text);
  }();
  return info;
}

std::string GetCPUModelName() { return GetCpuInfo().model_name; }
int GetLogicalCpuCount() { return GetCpuInfo().logical_count; }
int GetPhysicalCpuCount() { return GetCpuInfo().physical_count; }

int64_t GetDiskSpace(const std::string& path) {
  struct statvfs st {};
  if (path.empty() || ::statvfs(path.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.f_bavail) * static_cast<int64_t>(st.f_frsize);
}

int64_t GetTotalMemoryBytes() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long page_size = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || page_size <= 0) return -1;
  return static_cast<int64_t>(pages) * page_size;
}

bool ParseCpuTimes(const std::string& proc_stat, const std::string& proc_self_stat, CpuTimes* times) {
  std::istringstream stat(proc_stat);
  std::string label;
  uint64_t fields[8] = {};  // user nice system idle iowait irq softirq steal
  if (!(stat >> label) || label != "cpu") return false;
  for (auto& field : fields) {
    if (!(stat >> field)) return false;
  }
  // The command name in parentheses may hold blanks; fields count from after it.
  const size_t close = proc_self_stat.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream self(proc_self_stat.substr(close + 1));
  std::string skip;
  for (int i = 3; i <= 13; ++i) self >> skip;  // state .. cmajflt
  uint64_t utime = 0;
  uint64_t stime = 0;
  if (!(self >> utime >> stime)) return false;
  CpuTimes parsed;
  parsed.process = utime + stime;
  for (auto field : fields) parsed.total += field;
  parsed.busy = parsed.total - fields[3] - fields[4];
  *times = parsed;
  return true;
}

bool ReadCpuTimes(CpuTimes* times) {
  std::string stat;
  std::string self;
  return util::file::ReadFileToString("/proc/stat", &stat) && util::file::ReadFileToString("/proc/self/stat", &self) &&
         ParseCpuTimes(stat, self, times);
}

bool ComputeCpuRates(const CpuTimes& before, const CpuTimes& after, double* app_rate, double* system_rate) {
  if (after.total <= before.total) return false;
  const double total = static_cast<double>(after.total - before.total);
  const uint64_t process = after.process > before.process ? after.process - before.process : 0;
  const uint64_t busy = after.busy > before.busy ? after.busy - before.busy : 0;
  *app_rate = std::clamp(100.0 * static_cast<double>(process) / total, 0.0, 100.0);
  *system_rate = std::clamp(100.0 * static_cast<double>(busy) / total, 0.0, 100.0);
  return true;
}

bool GetCpuRates(double* app_rate, double* system_rate) {
  static std::mutex mutex;
  static CpuTimes previous;
  CpuTimes now;
  if (!ReadCpuTimes(&now)) return false;
  std::lock_guard lock(mutex);
  const bool ok = ComputeCpuRates(previous, now, app_rate, system_rate);
  previous = now;
  return ok;
}

}  // namespace util::deviceinfo
