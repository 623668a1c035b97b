// The settings file written off GTK's thread: the window sets values as the
// user moves its controls, and they go to the file in writes of their own,
// one at a time; the values set while one is written wait and go together
// in the next, so the last value of each is always the one written. A
// writer closed with values waiting writes them before it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// What a write found: the file's own complaints (its bad lines, or why it
// cannot be read) and why nothing or not all was saved.
struct SettingsWritten {
  std::vector<std::string> complaints;
  std::vector<std::string> failures;
};

class SettingsWriter {
 public:
  // path is the settings file ("" when there is none to write); told gets
  // each write's outcome on GTK's thread.
  SettingsWriter(std::string path, std::function<void(const SettingsWritten&)> told);
  ~SettingsWriter();
  SettingsWriter(const SettingsWriter&) = delete;
  SettingsWriter& operator=(const SettingsWriter&) = delete;

  // name ("fast", "idle") to value in the file, keeping the rest of it.
  void set(const std::string& name, const std::string& value);
  // then runs once every value set so far is in the file (or failed to be).
  void afterWrites(std::function<void()> then);

 private:
  void startWrite();
  static int onWritten(void* self);

  std::string path_;
  std::function<void(const SettingsWritten&)> told_;
  std::vector<std::pair<std::string, std::string>> waiting_;  // set since the write in flight began
  std::vector<std::pair<std::uint64_t, std::function<void()>>> thens_;  // each after the set it followed
  std::uint64_t setCount_ = 0;      // values set so far
  std::uint64_t writtenCount_ = 0;  // of those, the ones whose write has ended
  std::uint64_t writingCount_ = 0;  // the ones ended once the write in flight ends
  std::thread writing_;             // joinable while a write is in flight
  SettingsWritten written_;         // the write in flight's outcome, once it ends
  unsigned writtenSource_ = 0;      // the idle that tells GTK's thread it ended
};
