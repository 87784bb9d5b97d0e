#include "module/quick_record/model/cpu_generation_parser.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "host/base/logging/logger.h"

namespace quick_record {
namespace {

std::vector<std::string> Words(const std::string& model_name) {
  std::istringstream in(model_name.substr(0, CpuGenerationParser::kMaxModelNameBytes));
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// "11th" -> 11; 0 for any other word.
uint32_t OrdinalNumber(const std::string& word) {
  size_t digits = 0;
  while (digits < word.size() && IsDigit(word[digits])) ++digits;
  if (digits == 0 || digits > 3 || word.substr(digits) != "th") return 0;
  return static_cast<uint32_t>(std::stoul(word.substr(0, digits)));
}

void LogNotFound(const std::string& model_name) {
  char line[CpuGenerationParser::kMaxModelNameBytes + 32];
  std::snprintf(line, sizeof(line), "not found model name=%s", model_name.substr(0, CpuGenerationParser::kMaxModelNameBytes).c_str());
  KLOG(4) << line;
}

}  // namespace

bool CpuGenerationParser::ParseCpuInfoForIntel(const std::string& model_name, uint32_t* generation) {
  const auto words = Words(model_name);
  // Since the 11th generation the name leads with it: "11th Gen Intel(R) Core(TM) i5-1135G7".
  for (const auto& word : words) {
    const uint32_t n = OrdinalNumber(word);
    if (n >= 11 && words.size() >= 5) {
      *generation = n;
      return true;
    }
  }
  // Before it, the model number carries it: "Intel(R) Core(TM) i7-10750H" or "... i5-8250U".
  if (words.size() >= 3 && StartsWith(words[0], "Intel") && StartsWith(words[1], "Core")) {
    const auto hyphen = words[2].find('-');
    const std::string number = hyphen == std::string::npos ? std::string() : words[2].substr(hyphen + 1);
    if (number.size() >= 2 && IsDigit(number[0]) && IsDigit(number[1])) {
      const std::string lead = number.substr(0, 2);
      *generation = lead == "10" || lead == "11" || lead == "12" ? std::stoul(lead) : static_cast<uint32_t>(number[0] - '0');
      return true;
    }
  }
  LogNotFound(model_name);
  return false;
}

bool CpuGenerationParser::ParseCpuInfoForAmd(const std::string& model_name, uint32_t* generation) {
  const auto words = Words(model_name);
  if (words.size() < 3 || words[0] != "AMD" || words[1] != "Ryzen") {
    LogNotFound(model_name);
    return false;
  }
  // "AMD Ryzen [Threadripper] [PRO] <series> [PRO] <model>": the series is one digit.
  std::vector<std::string> rest;
  for (size_t i = 2; i < words.size(); ++i) {
    if (words[i] != "Threadripper" && words[i] != "PRO") rest.push_back(words[i]);
  }
  size_t model_at = 0;
  if (!rest.empty() && rest[0].size() == 1) {
    const char series = rest[0][0];
    if (series != '3' && series != '5' && series != '7' && series != '9') {
      KLOG(3) << "assert " << model_name;
      return false;
    }
    model_at = 1;
  }
  int first = 0;
  int remainder = 0;
  char suffix[32] = {};
  if (model_at >= rest.size() || std::sscanf(rest[model_at].c_str(), "%1d%d%31s", &first, &remainder, suffix) < 2) {
    LogNotFound(model_name);
    return false;
  }
  *generation = static_cast<uint32_t>(first);
  return true;
}

uint32_t CpuGenerationParser::Parse(const std::string& model_name) {
  uint32_t generation = 0;
  if (StartsWith(model_name, "AMD")) return ParseCpuInfoForAmd(model_name, &generation) ? generation : 0;
  return ParseCpuInfoForIntel(model_name, &generation) ? generation : 0;
}

}  // namespace quick_record
