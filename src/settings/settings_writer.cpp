#include "settings/settings_writer.h"

#include <glib.h>

#include <algorithm>

#include "core/settings_file.h"
#include "posix/user_settings.h"

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

// Every one of values set in the file at path, in one write.
SettingsWritten writeValues(const std::string& path, const Values& values) {
  SettingsWritten written;
  if (path.empty()) {
    written.failures.push_back("Settings cannot be saved: neither XDG_CONFIG_HOME nor HOME is set.");
    return written;
  }
  const UserSettingsText read = ReadUserSettingsText(path);
  if (!read.complaint.empty()) {
    written.complaints.push_back(read.complaint);
    written.failures.push_back("Nothing was saved: the file cannot be read.");
    return written;
  }
  std::string text = read.text;
  for (const auto& [name, value] : values) text = SetInSettingsFile(text, name, value);
  const std::string why = SaveUserSettings(path, text);
  if (!why.empty()) {
    written.failures.push_back(why);
    text = read.text;
  }
  written.complaints = ReadSettingsFile(text, path).complaints;
  return written;
}

}  // namespace

SettingsWriter::SettingsWriter(std::string path, std::function<void(const SettingsWritten&)> told)
    : path_(std::move(path)), told_(std::move(told)) {}

SettingsWriter::~SettingsWriter() {
  if (writing_.joinable()) {
    writing_.join();
    g_source_remove(writtenSource_);
  }
  if (!waiting_.empty()) writeValues(path_, waiting_);
}

void SettingsWriter::set(const std::string& name, const std::string& value) {
  ++setCount_;
  const auto same = std::find_if(waiting_.begin(), waiting_.end(), [&](const auto& w) { return w.first == name; });
  if (same != waiting_.end()) same->second = value;
  else waiting_.emplace_back(name, value);
  if (!writing_.joinable()) startWrite();
}

void SettingsWriter::afterWrites(std::function<void()> then) {
  if (writtenCount_ == setCount_) return then();
  thens_.emplace_back(setCount_, std::move(then));
}

void SettingsWriter::startWrite() {
  writingCount_ = setCount_;
  // The thread touches nothing of this but path_ (fixed) and the outcome's
  // two slots, which GTK's thread reads only after joining it.
  writing_ = std::thread([this, values = std::move(waiting_)] {
    written_ = writeValues(path_, values);
    writtenSource_ = g_idle_add_full(G_PRIORITY_DEFAULT, onWritten, this, nullptr);
  });
  waiting_.clear();
}

int SettingsWriter::onWritten(void* data) {
  SettingsWriter& self = *static_cast<SettingsWriter*>(data);
  self.writing_.join();
  self.writtenCount_ = self.writingCount_;
  const SettingsWritten written = std::move(self.written_);
  if (!self.waiting_.empty()) self.startWrite();
  std::vector<std::function<void()>> ready;
  for (auto then = self.thens_.begin(); then != self.thens_.end();) {
    if (then->first > self.writtenCount_) {
      ++then;
      continue;
    }
    ready.push_back(std::move(then->second));
    then = self.thens_.erase(then);
  }
  self.told_(written);
  for (const auto& then : ready) then();
  return G_SOURCE_REMOVE;
}
