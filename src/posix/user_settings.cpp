#include "posix/user_settings.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string failed(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

// Makes the folders of path that are missing, as mkdir -p would.
bool makeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0755) == 0) continue;
    struct stat there {};
    if (errno != EEXIST) return false;
    if (::stat(folder.c_str(), &there) != 0) return false;
    if (!S_ISDIR(there.st_mode)) {
      errno = ENOTDIR;
      return false;
    }
  }
  return true;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write to path lands in: path itself, or where its chain of
// symbolic links ends (a dotfile manager's link stays a link), named in its
// folder's real path. A relative link is read against the link's own
// folder. Empty with why set when the chain cannot be followed or ends in
// a folder that does not exist.
std::string linkedFile(const std::string& path, std::string& why) {
  std::string file = path;
  struct stat there {};
  // As many links as the kernel itself follows (MAXSYMLINKS).
  for (int links = 0; ::lstat(file.c_str(), &there) == 0 && S_ISLNK(there.st_mode); ++links) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = links == 40 ? -1 : ::readlink(file.c_str(), target.data(), target.size());
    if (length < 0) {
      if (links == 40) errno = ELOOP;
      why = failed("follow the links of", path);
      return "";
    }
    target.resize(static_cast<std::size_t>(length));
    file = target[0] == '/' ? target : folderOf(file) + "/" + target;
  }
  if (file == path) return path;
  char* folder = ::realpath(folderOf(file).c_str(), nullptr);
  if (folder == nullptr) {
    why = failed("write " + path + "'s target", file);
    return "";
  }
  const std::string real = std::string(folder) + (folder[1] == '\0' ? "" : "/") + file.substr(file.rfind('/') + 1);
  std::free(folder);
  return real;
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t wrote = ::write(fd, text.data(), text.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(wrote));
  }
  return true;
}

}  // namespace

std::string UserSettingsPath() {
  // XDG base directories: a relative XDG_CONFIG_HOME is invalid and ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/flindra/settings";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/flindra/settings";
  return std::string();
}

UserSettingsText ReadUserSettingsText(const std::string& path) {
  UserSettingsText read;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    if (errno != ENOENT && errno != ENOTDIR) read.complaint = failed("read", path);
    return read;
  }
  // A settings file is a few lines; more than this is not one.
  constexpr std::size_t kMostBytes = 64 * 1024;
  read.text.assign(kMostBytes + 1, '\0');
  const std::size_t got = std::fread(read.text.data(), 1, read.text.size(), f);
  const bool readFailed = std::ferror(f) != 0;
  const std::string why = readFailed ? failed("read", path) : "";
  std::fclose(f);
  read.text.resize(got);
  if (readFailed || got > kMostBytes) {
    read.text.clear();
    read.complaint = readFailed ? why : path + " is larger than a settings file (64 KB)";
  }
  return read;
}

SettingsFile LoadUserSettings(const std::string& path) {
  if (path.empty()) return SettingsFile{};
  const UserSettingsText read = ReadUserSettingsText(path);
  if (!read.complaint.empty()) {
    SettingsFile none;
    none.complaints.push_back(read.complaint);
    return none;
  }
  return ReadSettingsFile(read.text, path);
}

std::string SaveUserSettings(const std::string& path, std::string_view text) {
  if (!makeFolders(path)) return failed("make the folder of", path);
  std::string why;
  const std::string file = linkedFile(path, why);
  if (file.empty()) return why;
  struct stat old {};
  const mode_t mode = ::stat(file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  std::string fresh = file + ".XXXXXX";
  const int fd = ::mkstemp(fresh.data());
  if (fd < 0) return failed("make a file beside", file);
  if (!writeAll(fd, text) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) why = failed("write", fresh);
  if (::close(fd) != 0 && why.empty()) why = failed("write", fresh);
  if (why.empty() && ::rename(fresh.c_str(), file.c_str()) != 0) why = failed("replace", file);
  if (!why.empty()) {
    ::unlink(fresh.c_str());
    return why;
  }
  // The rename itself lasts once the folder is on disk too.
  const std::string folder = folderOf(file);
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0 || ::fsync(folderFd) != 0) why = failed("flush the folder", folder);
  if (folderFd >= 0) ::close(folderFd);
  return why;
}
