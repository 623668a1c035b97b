#include "core/Settings.h"

SaverSettingsValues SaverSettings;

const SettingInfo kSettingTable[kSettingCount] = {
    {"Fast", "Speed", 0, 10, 3, &SaverSettingsValues::Fast},
    {"Bright", "Brightness", 1, 10, 10, &SaverSettingsValues::Bright},
    {"Size", "Size", 1, 10, 3, &SaverSettingsValues::Size},
    {"Satiation", "Satiation", 1, 10, 10, &SaverSettingsValues::Satiation},
    {"Color", "Rotate", 1, 30, 5, &SaverSettingsValues::Color},
    {"Alpha", "Color", 1, 10, 0, &SaverSettingsValues::Alpha},
};

namespace {

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

void writeAll(SettingsKey& key, const std::int32_t (&values)[kSettingCount]) {
  for (int i = 0; i < kSettingCount; ++i) {
    if (!key.write(kSettingTable[i].name, values[i]))
      throw SettingsError(SettingsErrorText("Failed to set data for '%s'", kSettingTable[i].name));
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

std::string SettingsErrorText(const char* format, const char* valueName) {
  std::string text(format);
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, valueName);
  return text;
}

void CurrentSettings(std::int32_t (&values)[kSettingCount]) {
  for (int i = 0; i < kSettingCount; ++i) values[i] = SaverSettings.*kSettingTable[i].value;
}

void LoadSettings(SettingsKey& key) {
  if (key.openExisting()) {
    KeyCloser closer(key);
    for (const SettingInfo& s : kSettingTable) {
      const StoredValue v = key.read(s.name);
      if (v.kind == StoredValue::Kind::Missing)
        throw SettingsError(SettingsErrorText("Failed to get data for '%s'", s.name));
      if (v.kind == StoredValue::Kind::OtherType)
        throw SettingsError(SettingsErrorText("Invalid data type for '%s'", s.name));
      SaverSettings.*s.value = int32FromBytes(v.bytes);
    }
  }

  std::int32_t values[kSettingCount];
  CurrentSettings(values);
  for (std::int32_t v : values)
    if (v != 0) return;

  for (int i = 0; i < kSettingCount; ++i) {
    values[i] = kSettingTable[i].defaultValue;
    SaverSettings.*kSettingTable[i].value = values[i];
  }
  if (key.openOrCreate()) {
    KeyCloser closer(key);
    writeAll(key, values);
  }
}

SaveResult SaveSettings(SettingsKey& key, const std::int32_t (&values)[kSettingCount]) {
  if (!key.openOrCreate()) return SaveResult::KeyUnavailable;
  KeyCloser closer(key);
  writeAll(key, values);
  return SaveResult::Saved;
}
