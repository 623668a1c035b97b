#include "core/settings.h"

const SettingInfo kSettingTable[kSettingCount] = {
    {"Fast", "Speed", 0, 10, 3, &Settings::Speed, "Speed", "how fast the flakes fall; 0 holds them still", "Slow",
     "Fast", true},
    {"Bright", "Brightness", 1, 10, 10, &Settings::Brightness, "Brightness", "how bright the flakes are once faded in",
     "Dim", "Bright", true},
    {"Size", "Size", 1, 10, 3, &Settings::Size, "Flake size", "how large each flake is drawn", "Small", "Large",
     true},
    {"Satiation", "Satiation", 1, 10, 10, &Settings::FlakeCount, "Number of flakes",
     "how many flakes fall: ten for each step and one more (11 to 101)", "Few", "Many", true},
    {"Color", "Rotate", 1, 30, 5, &Settings::SwayRate, "Sway rate",
     "how fast the falling field turns to and fro about the vertical axis", "Slow", "Fast", true},
    {"Alpha", "Color", 1, 10, 0, &Settings::Unused, "Unused",
     "no effect; kept so the value the Windows settings store stays as it is", "Low", "High", false},
};

namespace {

// The message format with the value's name in place of its "%s".
std::string settingsErrorText(const char* format, const char* valueName) {
  std::string text(format);
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, valueName);
  return text;
}

// Closes the key on every way out of a scope, exceptions included.
class KeyCloser {
 public:
  explicit KeyCloser(SettingsKey& key) : key_(key) {}
  ~KeyCloser() { key_.close(); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  SettingsKey& key_;
};

std::int32_t int32FromBytes(const std::uint8_t (&b)[4]) {
  const std::uint32_t bits = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) |
                             (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
  return static_cast<std::int32_t>(bits);
}

void writeAll(SettingsKey& key, const Settings& settings) {
  for (const SettingInfo& s : kSettingTable) {
    if (!key.write(s.name, settings.*s.value))
      throw SettingsError(settingsErrorText("Failed to set data for '%s'", s.name));
  }
}

}  // namespace

StoredValue StoredValueFromRead(bool readSucceeded, std::uint32_t type, const std::uint8_t* data, std::size_t size) {
  StoredValue result;
  if (!readSucceeded || size > sizeof result.bytes) return result;
  for (std::size_t i = 0; i < size; ++i) result.bytes[i] = data[i];
  result.kind = type == kStoredInt32Type ? StoredValue::Kind::Int32 : StoredValue::Kind::OtherType;
  return result;
}

Settings DefaultSettings() {
  Settings settings;
  for (const SettingInfo& s : kSettingTable) settings.*s.value = s.defaultValue;
  return settings;
}

void LoadSettings(SettingsKey& key, Settings& settings) {
  std::string firstError;
  if (key.openExisting()) {
    KeyCloser closer(key);
    // Each value on its own, so one bad value cannot cost the others.
    for (const SettingInfo& s : kSettingTable) {
      const StoredValue v = key.read(s.name);
      const char* error = v.kind == StoredValue::Kind::Missing     ? "Failed to get data for '%s'"
                          : v.kind == StoredValue::Kind::OtherType ? "Invalid data type for '%s'"
                                                                   : nullptr;
      if (error == nullptr) {
        settings.*s.value = int32FromBytes(v.bytes);
        continue;
      }
      settings.*s.value = s.defaultValue;
      if (firstError.empty()) firstError = settingsErrorText(error, s.name);
    }
  }
  if (!firstError.empty()) throw SettingsError(firstError);

  for (const SettingInfo& s : kSettingTable)
    if (settings.*s.value != 0) return;

  settings = DefaultSettings();
  if (key.openOrCreate()) {
    KeyCloser closer(key);
    writeAll(key, settings);
  }
}

SaveResult SaveSettings(SettingsKey& key, const Settings& settings) {
  if (!key.openOrCreate()) return SaveResult::KeyUnavailable;
  KeyCloser closer(key);
  writeAll(key, settings);
  return SaveResult::Saved;
}
