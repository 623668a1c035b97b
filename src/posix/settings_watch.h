// Tells a program that stays running when the settings file may have
// changed, so it reads the file again at once. It watches the file's folder
// (the settings window replaces the file by a rename), the folder a symlink
// there points into, and while the file's folder does not exist yet, the
// nearest folder above it that does, down to the file's own as folders
// appear. A change of anything there counts: reading the file again is
// cheap.
#pragma once

#include <string>
#include <vector>

struct SettingsWatch {
  // Nothing is watched (fd() is -1) when path is empty or inotify is refused.
  explicit SettingsWatch(std::string path);
  ~SettingsWatch();
  SettingsWatch(const SettingsWatch&) = delete;
  SettingsWatch& operator=(const SettingsWatch&) = delete;

  // Readable when something changed: then takeEvents.
  int fd() const { return fd_; }
  // Reads what came, sets changed when it tells of a change, and watches
  // the folders anew (one may have appeared, gone or been replaced).
  void takeEvents();

  bool changed = false;  // set by takeEvents; the program clears it once it read the file

 private:
  void watchFolders();

  std::string path_;
  int fd_ = -1;
  std::vector<int> watches_;  // inotify watch descriptors
};
