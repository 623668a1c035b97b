// The settings key bound to the registry: HKEY_CURRENT_USER\Software\Flindra,
// six REG_DWORD values.
#pragma once

#include <windows.h>

#include "core/settings.h"

class RegistrySettingsKey final : public SettingsKey {
 public:
  RegistrySettingsKey() = default;
  ~RegistrySettingsKey() override { close(); }
  RegistrySettingsKey(const RegistrySettingsKey&) = delete;
  RegistrySettingsKey& operator=(const RegistrySettingsKey&) = delete;

  bool openExisting() override;
  bool openOrCreate() override;
  StoredValue read(const char* name) override;
  bool write(const char* name, std::int32_t value) override;
  void close() override;
  std::string failureReason() const override;

 private:
  HKEY key_ = nullptr;
  LONG lastError_ = ERROR_SUCCESS;  // of the last failed open or write, for failureReason
};

// LoadSettings over the registry key: the stored values, the defaults on a
// first run. A read error shows its text in a box (caption "Flindra") and
// returns false, with every readable value in settings and the failing ones
// at their defaults.
bool LoadStoredSettings(Settings& settings);
