// What the program may ask its host about the system before anything opens:
// the version, which of the host's libraries load and which entry points
// they offer, and a debugger's output for diagnostics. Each answer can be
// changed by a test, so every path of the questions can be walked.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace host {

constexpr int VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr int VER_PLATFORM_WIN32_NT = 2;
constexpr uint32_t kOsVersionInfoSize = 148;

struct OsVersionInfo {
  uint32_t size = 0;  // must be kOsVersionInfoSize
  int majorVersion = 0, minorVersion = 0, buildNumber = 0;
  int platformId = 0;
};

using HMODULE = uint32_t;  // 0 is "not loaded"

class SystemInfo {
 public:
  // Diagnostics reach standard error when DORSEL_DEBUG is 1: that stands in
  // for a debugger listening.
  SystemInfo();

  // This host is a protected-memory, multi-user system: it answers as the
  // NT family, version 5.1.
  bool GetVersionEx(OsVersionInfo* info);
  // "DDRAW.DLL" is the host's display layer, "DINPUT.DLL" its keyboard
  // input; names are matched without regard to case, as the desktop would.
  HMODULE LoadLibrary(const std::string& name);
  bool GetProcAddress(HMODULE module, const std::string& name);
  void FreeLibrary(HMODULE module);
  void OutputDebugString(const std::string& text);

  // For tests.
  void FailVersion() { versionFails_ = true; }
  void SetVersion(int platformId, int majorVersion) {
    platformId_ = platformId;
    major_ = majorVersion;
  }
  void RemoveLibrary(const std::string& name) { libraries_.erase(name); }
  void RemoveEntry(const std::string& library, const std::string& entry) {
    libraries_[library].erase(entry);
  }
  const std::string& DebugOutput() const { return debugOutput_; }
  int LoadedLibraries() const { return int(loaded_.size()); }
  bool debugToStderr = false;

 private:
  bool versionFails_ = false;
  int platformId_ = VER_PLATFORM_WIN32_NT;
  int major_ = 5;
  std::map<std::string, std::set<std::string>> libraries_ = {
      {"DDRAW.DLL", {"DirectDrawCreate"}},
      {"DINPUT.DLL", {"DirectInputCreateA"}},
  };
  std::map<HMODULE, std::string> loaded_;
  HMODULE nextModule_ = 1;
  std::string debugOutput_;
};

}  // namespace host
