#include "host/system_info.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

SystemInfo::SystemInfo() {
  const char* debug = std::getenv("DORSEL_DEBUG");
  debugToStderr = debug && std::strcmp(debug, "1") == 0;
}

bool SystemInfo::GetVersionEx(OsVersionInfo* info) {
  if (versionFails_ || !info || info->size != kOsVersionInfoSize) return false;
  info->platformId = platformId_;
  info->majorVersion = major_;
  info->minorVersion = 1;
  info->buildNumber = 2600;
  return true;
}

static std::string Upper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

HMODULE SystemInfo::LoadLibrary(const std::string& name) {
  std::string key = Upper(name);
  if (!libraries_.count(key)) return 0;
  HMODULE module = nextModule_++;
  loaded_[module] = key;
  return module;
}

bool SystemInfo::GetProcAddress(HMODULE module, const std::string& name) {
  auto it = loaded_.find(module);
  if (it == loaded_.end()) return false;
  auto library = libraries_.find(it->second);
  return library != libraries_.end() && library->second.count(name) != 0;
}

void SystemInfo::FreeLibrary(HMODULE module) { loaded_.erase(module); }

void SystemInfo::OutputDebugString(const std::string& text) {
  debugOutput_ += text;
  if (debugToStderr) std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace host
