#include "pending_registry.h"

#include <windows.h>

#include <optional>
#include <string_view>

#include "pending_renames.h"

namespace setup {

namespace {

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kValueNames[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};

std::wstring_view withoutFinalBackslash(std::wstring_view path) {
  if (!path.empty() && path.back() == L'\\') path.remove_suffix(1);
  return path;
}

// Case-insensitive the way the file system compares names.
bool samePath(std::wstring_view a, std::wstring_view b) {
  a = withoutFinalBackslash(a);
  b = withoutFinalBackslash(b);
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// The value's bytes in one read; nothing when it is absent, of another type,
// or grew after its size was asked.
std::optional<std::vector<unsigned char>> readValue(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
    return std::nullopt;
  std::vector<unsigned char> bytes(size);
  DWORD read = size;
  if (::RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &read) != ERROR_SUCCESS || type != REG_MULTI_SZ ||
      read > size)
    return std::nullopt;
  bytes.resize(read);
  return bytes;
}

bool cancelIn(HKEY key, const wchar_t* name, const std::vector<std::wstring>& ourPaths) {
  const std::optional<std::vector<unsigned char>> before = readValue(key, name);
  if (!before) return false;
  const auto isOurs = [&ourPaths](std::wstring_view path) {
    for (const std::wstring& ours : ourPaths)
      if (!ours.empty() && samePath(path, ours)) return true;
    return false;
  };
  const std::optional<std::vector<unsigned char>> after = WithoutOurPairs(*before, isOurs);
  if (!after) return false;
  // NOTE: the registry has no compare-and-swap; reading again just before
  // writing narrows the window in which another program's new pair could be
  // lost to the time between these two calls.
  if (readValue(key, name) != before) return false;
  if (after->empty()) return ::RegDeleteValueW(key, name) == ERROR_SUCCESS;
  return ::RegSetValueExW(key, name, 0, REG_MULTI_SZ, after->data(), static_cast<DWORD>(after->size())) ==
         ERROR_SUCCESS;
}

}  // namespace

int CancelPendingRemovals(const std::vector<std::wstring>& ourPaths) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS)
    return 0;
  int changed = 0;
  for (const wchar_t* name : kValueNames)
    if (cancelIn(key, name, ourPaths)) ++changed;
  ::RegCloseKey(key);
  return changed;
}

}  // namespace setup
