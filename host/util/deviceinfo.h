#pragma once

#include <cstdint>
#include <string>

// What the machine is and how busy it is: CPU model and counts (/proc/cpuinfo), free disk space
// (statvfs), physical memory (sysconf), CPU usage of this process and of the whole system
// (/proc/self/stat, /proc/stat).
namespace util::deviceinfo {

struct CpuInfo {
  std::string model_name;  // "model name" of the first processor; empty when the kernel gives none
  int logical_count = 0;   // processors the kernel lists
  int physical_count = 0;  // distinct cores (physical id, core id); the logical count when unknown
};

CpuInfo GetCpuInfo();  // read once, then remembered
CpuInfo ParseCpuInfo(const std::string& cpuinfo_text);
std::string GetCPUModelName();
int GetLogicalCpuCount();
int GetPhysicalCpuCount();

// Bytes available to this user on the file system that holds `path`; -1 when it cannot be read.
int64_t GetDiskSpace(const std::string& path);
// Physical memory of the machine in bytes; -1 when it cannot be read.
int64_t GetTotalMemoryBytes();

// Cumulative CPU clock ticks: this process (user + system) and the whole machine.
struct CpuTimes {
  uint64_t process = 0;
  uint64_t busy = 0;   // all but idle and iowait
  uint64_t total = 0;  // user .. steal
};
bool ReadCpuTimes(CpuTimes* times);
bool ParseCpuTimes(const std::string& proc_stat, const std::string& proc_self_stat, CpuTimes* times);
// Percentages of the whole machine (0..100) used between two readings: by this process and by
// everything. False when no time passed between them.
bool ComputeCpuRates(const CpuTimes& before, const CpuTimes& after, double* app_rate, double* system_rate);

// Rates since the previous call in this process (since start-up for the first call). Thread-safe.
bool GetCpuRates(double* app_rate, double* system_rate);

}  // namespace util::deviceinfo
