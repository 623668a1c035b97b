#include "win32/registry_settings.h"

#include <string>

#include "win32/window_class.h"

static_assert(REG_DWORD == kStoredInt32Type, "the core names the registry's 32-bit type");

bool RegistrySettingsKey::openExisting() {
  close();
  lastError_ = ::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key_);
  if (lastError_ != ERROR_SUCCESS) key_ = nullptr;
  return key_ != nullptr;
}

bool RegistrySettingsKey::openOrCreate() {
  close();
  lastError_ = ::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
  if (lastError_ != ERROR_SUCCESS) key_ = nullptr;
  return key_ != nullptr;
}

StoredValue RegistrySettingsKey::read(const char* name) {
  BYTE data[4] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof data;
  // ERROR_MORE_DATA for anything longer than 4 bytes counts as a failed read.
  const LONG status = ::RegQueryValueExA(key_, name, nullptr, &type, data, &size);
  return StoredValueFromRead(status == ERROR_SUCCESS, type, data, size);
}

bool RegistrySettingsKey::write(const char* name, std::int32_t value) {
  const DWORD data = static_cast<DWORD>(value);
  lastError_ = ::RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  return lastError_ == ERROR_SUCCESS;
}

void RegistrySettingsKey::close() {
  if (key_ != nullptr) ::RegCloseKey(key_);
  key_ = nullptr;
}

std::string RegistrySettingsKey::failureReason() const {
  if (lastError_ == ERROR_SUCCESS) return std::string();
  char text[512] = {};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(lastError_), 0, text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  if (reason.empty()) reason = "system error";
  return reason + " (error " + std::to_string(lastError_) + ")";
}

bool LoadStoredSettings(Settings& settings) {
  RegistrySettingsKey key;
  try {
    LoadSettings(key, settings);
    return true;
  } catch (const SettingsError& e) {
    ShowErrorBox(e.what());
    return false;
  }
}
