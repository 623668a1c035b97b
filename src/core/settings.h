// The six saver settings, their persistent form and the load/save rules.
// The rules are written once here over SettingsKey; the Win32 layer binds
// that interface to the registry, tests bind it to memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// The six values, named by what they do; the table below gives each its
// stored name (Fast, Bright, Size, Satiation, Color, Alpha). Any 32-bit
// value is safe to draw with.
struct Settings {
  std::int32_t Speed = 0;       // stored "Fast": Height drops Speed * 0.005 a frame
  std::int32_t Brightness = 0;  // stored "Bright": opacity after the fade, 25 * Brightness + 5
  std::int32_t Size = 0;        // stored "Size": flake scale, lattice units * Size / 50
  std::int32_t FlakeCount = 0;  // stored "Satiation": flakes 0 .. FlakeCount * 10 are drawn
  std::int32_t SwayRate = 0;    // stored "Color": sway rotation rate, SwayRate / 5
  std::int32_t Unused = 0;      // stored "Alpha": stored and edited only; nothing draws with it
};

// The fixed values the preview draws with; the stored ones are never read there.
constexpr Settings kPreviewSettings{5, 7, 5, 10, 5, 0};

// One row per setting: stored name, dialog label, slider range, default,
// and the words other screens explain it with.
struct SettingInfo {
  const char* name;
  const char* label;  // the Windows dialog's caption, exactly
  std::int32_t sliderMin;
  std::int32_t sliderMax;
  std::int32_t defaultValue;
  std::int32_t Settings::*value;
  const char* title;      // what it is, in plain words ("Number of flakes")
  const char* meaning;    // what it does, one sentence without a full stop
  const char* lowLabel;   // the slider's ends ("Few", "Many")
  const char* highLabel;
  bool drawn;             // false: stored and edited only, nothing draws with it
};
constexpr int kSettingCount = 6;
// In load/save order; the dialog's sliders follow it too. Note the label
// cross-over: "Rotate" edits Color, "Color" edits Alpha.
extern const SettingInfo kSettingTable[kSettingCount];

// The key path below the current user's root.
constexpr const char* kSettingsKeyPath = "Software\\Flindra";

// What a 32-bit read of one stored value found.
struct StoredValue {
  enum class Kind { Missing, Int32, OtherType };
  Kind kind = Kind::Missing;  // Missing also when the data needs more than 4 bytes
  std::uint8_t bytes[4] = {0, 0, 0, 0};  // little-endian data; short data leaves the rest 0
};

// The 32-bit integer type code of the Windows registry (REG_DWORD).
constexpr std::uint32_t kStoredInt32Type = 4;

// What a read of one value into a 4-byte buffer found: the value's type and
// size, and its data when the size is 4 or less (short data leaves the high
// bytes 0). A failed read, or data longer than 4 bytes, is Missing.
StoredValue StoredValueFromRead(bool readSucceeded, std::uint32_t type, const std::uint8_t* data, std::size_t size);

// The per-user key. Each operation opens the key, works and closes it.
class SettingsKey {
 public:
  virtual ~SettingsKey() = default;
  virtual bool openExisting() = 0;
  virtual bool openOrCreate() = 0;
  virtual StoredValue read(const char* name) = 0;
  virtual bool write(const char* name, std::int32_t value) = 0;
  virtual void close() = 0;
  // Why the last open or write failed, in the store's words; empty when the
  // store cannot say.
  virtual std::string failureReason() const { return std::string(); }
};

// A store error; what() is the text the user sees.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the six values into settings; all six zero after the read means
// first run, so the defaults are applied and written. Every value is read:
// one that is missing or of another type takes its default and the rest
// keep what is stored; then SettingsError is thrown with the first failure's
// "Failed to get data for '%s'" or "Invalid data type for '%s'", and nothing
// is written.
void LoadSettings(SettingsKey& key, Settings& settings);

// What a save attempt did, so the caller can tell the user.
enum class SaveResult { Saved, KeyUnavailable };

// Writes the six values. A key that cannot be opened or created writes
// nothing; a failed write throws "Failed to set data for '%s'".
SaveResult SaveSettings(SettingsKey& key, const Settings& settings);

// The table's defaults.
Settings DefaultSettings();
