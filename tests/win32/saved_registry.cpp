#include "saved_registry.h"

namespace {

void writeValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
  ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
  ::RegCloseKey(key);
}

void removeValue(HKEY root, const char* path, const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
  ::RegDeleteValueA(key, name);
  ::RegCloseKey(key);
}

}  // namespace

SavedRegistryValue::SavedRegistryValue(HKEY root, const char* path, const char* name)
    : root_(root), path_(path), name_(name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD size = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = ::RegQueryValueExA(key, name, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
  }
  ::RegCloseKey(key);
}

SavedRegistryValue::~SavedRegistryValue() {
  if (existed_)
    writeValue(root_, path_.c_str(), name_.c_str(), type_, data_.data(), static_cast<DWORD>(data_.size()));
  else
    removeValue(root_, path_.c_str(), name_.c_str());
}

std::vector<SavedRegistryKey::Value> SavedRegistryKey::read(const char* path, bool* existed) {
  std::vector<Value> values;
  HKEY key = nullptr;
  *existed = ::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (!*existed) return values;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    BYTE data[1024];
    DWORD dataSize = sizeof data;
    DWORD type = REG_NONE;
    if (::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    values.push_back(Value{std::string(name, nameSize), type, std::vector<BYTE>(data, data + dataSize)});
  }
  ::RegCloseKey(key);
  return values;
}

SavedRegistryKey::SavedRegistryKey(const char* path) : path_(path) { values_ = read(path, &existed_); }

SavedRegistryKey::~SavedRegistryKey() {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  ::RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  if (!existed_) return;
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  for (const Value& v : values_)
    ::RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
  ::RegCloseKey(key);
}

bool keyExists(const char* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

void setValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  writeValue(HKEY_CURRENT_USER, path, name, type, data, size);
}

void setDword(const char* path, const char* name, std::uint32_t value) {
  setValue(path, name, REG_DWORD, &value, sizeof value);
}

void deleteValue(const char* path, const char* name) { removeValue(HKEY_CURRENT_USER, path, name); }
