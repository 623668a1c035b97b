// LoadSettings over a key whose six values have any type, any size from 0 to
// 16 bytes and any contents, read the way the registry binding reads them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/settings.h"

namespace {

struct RawValue {
  bool present = false;
  std::uint32_t type = 0;
  std::size_t size = 0;
  std::uint8_t data[16] = {};
};

class FuzzKey final : public SettingsKey {
 public:
  bool exists = false;
  bool canCreate = false;
  bool canWrite = false;
  RawValue values[kSettingCount];
  bool open = false;
  int writes = 0;

  bool openExisting() override { return open = exists; }
  bool openOrCreate() override { return open = (exists || canCreate); }
  StoredValue read(const char* name) override {
    if (!open) std::abort();
    const RawValue& v = values[indexOf(name)];
    return StoredValueFromRead(v.present, v.type, v.data, v.size);
  }
  bool write(const char* name, std::int32_t) override {
    if (!open) std::abort();
    (void)indexOf(name);
    ++writes;
    return canWrite;
  }
  void close() override { open = false; }

 private:
  static int indexOf(const char* name) {
    for (int i = 0; i < kSettingCount; ++i)
      if (std::strcmp(kSettingTable[i].name, name) == 0) return i;
    std::abort();  // only the six names are ever read or written
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };

  FuzzKey key;
  const std::uint8_t flags = next();
  key.exists = flags & 1;
  key.canCreate = flags & 2;
  key.canWrite = flags & 4;
  for (RawValue& v : key.values) {
    v.present = next() & 1;
    v.type = next() % 12;  // REG_NONE .. REG_QWORD
    v.size = next() % 17;
    for (std::size_t i = 0; i < v.size; ++i) v.data[i] = next();
  }
  Settings settings;
  bool failed = false;
  try {
    LoadSettings(key, settings);
  } catch (const SettingsError& e) {
    failed = true;
    const std::string text = e.what();
    if (text.find('\'') == std::string::npos) std::abort();
  }
  if (key.open) std::abort();  // closed on every path

  if (!failed && key.exists) {
    bool allZero = true;
    for (int i = 0; i < kSettingCount; ++i) {
      const RawValue& v = key.values[i];
      std::uint8_t bytes[4] = {};
      std::memcpy(bytes, v.data, v.size);
      std::uint32_t bits = 0;
      for (int b = 3; b >= 0; --b) bits = (bits << 8) | bytes[b];
      const auto stored = static_cast<std::int32_t>(bits);
      allZero = allZero && stored == 0;
      if (stored != 0 && settings.*kSettingTable[i].value != stored) std::abort();
    }
    if (allZero && settings.Speed != 3) std::abort();  // first-run defaults
  }
  return 0;
}
