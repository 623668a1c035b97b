#include "posix/settings_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

namespace {

// A file written whole, moved in or out, made or removed there, and the
// folder itself removed or moved away. Not IN_MODIFY: a file half written
// is read once its writer closes it.
constexpr std::uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// The folder that holds path ("/" for "/x", "." for "x"); "" above the top.
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return path == "." ? "" : ".";
  if (slash == 0) return path == "/" ? "" : "/";
  return path.substr(0, slash);
}

}  // namespace

SettingsWatch::SettingsWatch(std::string path) : path_(std::move(path)) {
  if (path_.empty()) return;
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ >= 0) watchFolders();
}

SettingsWatch::~SettingsWatch() {
  if (fd_ >= 0) close(fd_);
}

void SettingsWatch::watchFolders() {
  std::vector<int> now;
  // The file's folder, else the nearest one above it that exists.
  for (std::string folder = folderOf(path_); !folder.empty(); folder = folderOf(folder)) {
    const int wd = inotify_add_watch(fd_, folder.c_str(), kFolderEvents);
    if (wd >= 0) now.push_back(wd);
    if (wd >= 0 || (errno != ENOENT && errno != ENOTDIR)) break;
  }
  // The folder of the file a symlink names (the same watch when that is the file's own folder).
  if (char* real = realpath(path_.c_str(), nullptr)) {
    const int wd = inotify_add_watch(fd_, folderOf(real).c_str(), kFolderEvents);
    std::free(real);
    if (wd >= 0) now.push_back(wd);
  }
  // NOTE: letting a watch go queues IN_IGNORED for it, which takeEvents passes over.
  for (const int wd : watches_)
    if (std::find(now.begin(), now.end(), wd) == now.end()) inotify_rm_watch(fd_, wd);
  watches_ = std::move(now);
}

void SettingsWatch::takeEvents() {
  alignas(inotify_event) char buffer[4096];
  bool news = false;
  for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      news = news || (event->mask & IN_IGNORED) == 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (!news) return;
  changed = true;
  watchFolders();
}
