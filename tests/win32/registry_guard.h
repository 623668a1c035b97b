// Saves a registry key's values when a test starts, deletes the key so the
// test starts from nothing, and puts the saved values back at the end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RegistryGuard {
 public:
  explicit RegistryGuard(const char* path, HKEY root = HKEY_CURRENT_USER) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      existed_ = true;
      for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Saved v{name, type, std::vector<BYTE>(size)};
        ::RegQueryValueExA(key, name, nullptr, &type, v.data.data(), &size);
        saved_.push_back(v);
      }
      ::RegCloseKey(key);
    }
    ::RegDeleteTreeA(root_, path_.c_str());
    ::RegDeleteKeyA(root_, path_.c_str());
  }
  ~RegistryGuard() {
    ::RegDeleteTreeA(root_, path_.c_str());
    ::RegDeleteKeyA(root_, path_.c_str());
    if (!existed_) return;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
      return;
    for (const Saved& v : saved_)
      ::RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    ::RegCloseKey(key);
  }
  RegistryGuard(const RegistryGuard&) = delete;
  RegistryGuard& operator=(const RegistryGuard&) = delete;

  // Writes one value of any type and size, creating the key.
  void set(const char* name, DWORD type, const void* data, DWORD size) const {
    HKEY key = nullptr;
    ::RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
  }
  void setDword(const char* name, DWORD value) const { set(name, REG_DWORD, &value, sizeof value); }

 private:
  struct Saved {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  HKEY root_;
  std::string path_;
  bool existed_ = false;
  std::vector<Saved> saved_;
};
