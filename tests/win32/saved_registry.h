// Registry state a test changes and puts back: one value, or a whole key of
// values, restored exactly (type and bytes) or removed again when it was not
// there; and plain writes under HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// One value (or its absence), put back on destruction. An empty name is the
// key's default value.
class SavedRegistryValue {
 public:
  SavedRegistryValue(HKEY root, const char* path, const char* name);
  SavedRegistryValue(const char* path, const char* name) : SavedRegistryValue(HKEY_CURRENT_USER, path, name) {}
  ~SavedRegistryValue();
  SavedRegistryValue(const SavedRegistryValue&) = delete;
  SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

 private:
  HKEY root_;
  std::string path_, name_;
  bool existed_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> data_;
};

// A key of HKEY_CURRENT_USER with values only (or its absence), put back on
// destruction.
class SavedRegistryKey {
 public:
  explicit SavedRegistryKey(const char* path);
  ~SavedRegistryKey();
  SavedRegistryKey(const SavedRegistryKey&) = delete;
  SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

  struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const Value& other) const {
      return name == other.name && type == other.type && data == other.data;
    }
  };
  // The values as they stand now; empty and existed false for no key.
  static std::vector<Value> read(const char* path, bool* existed);

 private:
  std::string path_;
  bool existed_ = false;
  std::vector<Value> values_;
};

// Under HKEY_CURRENT_USER; the two setters create the key when missing.
bool keyExists(const char* path);
void setValue(const char* path, const char* name, DWORD type, const void* data, DWORD size);
void setDword(const char* path, const char* name, std::uint32_t value);
void deleteValue(const char* path, const char* name);
