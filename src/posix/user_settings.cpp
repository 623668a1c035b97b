#include "posix/user_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string UserSettingsPath() {
  // The base directory specification: a relative XDG_CONFIG_HOME is invalid and ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/flindra/settings";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/flindra/settings";
  return std::string();
}

SettingsFile LoadUserSettings(const std::string& path) {
  if (path.empty()) return SettingsFile{};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    SettingsFile none;
    if (errno != ENOENT && errno != ENOTDIR) none.complaints.push_back("cannot read " + path + ": " + std::strerror(errno));
    return none;
  }
  // A settings file is a few lines; more than this is not one.
  constexpr std::size_t kMostBytes = 64 * 1024;
  std::string text(kMostBytes + 1, '\0');
  const std::size_t got = std::fread(text.data(), 1, text.size(), f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed || got > kMostBytes) {
    SettingsFile none;
    none.complaints.push_back(failed ? "cannot read " + path : path + " is larger than a settings file (64 KB)");
    return none;
  }
  text.resize(got);
  return ReadSettingsFile(text, path);
}
