// The settings file as any bytes: every value read lies in its option's
// range, the idle time in its own, and each complaint names a line the
// text has. Setting one value in it gives that value back and changes no
// other line's complaint.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const SettingsFile file = ReadSettingsFile(text, "f");
  for (const SettingInfo& s : kSettingTable) {
    const SettingRange range = OptionRange(s);
    const std::int32_t value = file.settings.*s.value;
    if (value < range.low || value > range.high) std::abort();
  }
  if (file.idleSeconds && (*file.idleSeconds < 1 || *file.idleSeconds > kMaxIdleSeconds)) std::abort();
  std::size_t lines = 1;
  for (const char c : text) lines += c == '\n';
  if (file.complaints.size() > lines) std::abort();
  for (const std::string& complaint : file.complaints) {
    if (complaint.rfind("f:", 0) != 0) std::abort();
    const std::size_t number = std::strtoul(complaint.c_str() + 2, nullptr, 10);
    if (number < 1 || number > lines) std::abort();
  }
  const SettingInfo& named = kSettingTable[size % kSettingCount];
  const std::string name = OptionName(named), value = std::to_string(OptionRange(named).high);
  const SettingsFile after = ReadSettingsFile(SetInSettingsFile(text, name, value), "f");
  if (after.settings.*named.value != OptionRange(named).high) std::abort();
  // The complaints left are the old ones but for the lines that named it.
  std::vector<std::string> others;
  for (const std::string& complaint : file.complaints) {
    const std::size_t told = complaint.find(": ", 2) + 2;  // after "f:N: "
    if (complaint.compare(told, name.size() + 5, name + " must") != 0) others.push_back(complaint);
  }
  if (after.complaints != others) std::abort();
  return 0;
}
