#include "setup_plugin/pending_registry.h"

#include <optional>
#include <string_view>

#include "setup_plugin/pending_renames.h"
#include "setup_plugin/same_file.h"

namespace setup {

namespace {

constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kValueNames[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};
// Rounds of read, write and read again before leaving a value to a program
// that keeps writing it.
constexpr int kRounds = 8;

using Bytes = std::vector<unsigned char>;

// The value's bytes in one read; nothing when it is absent, of another type,
// or grew after its size was asked.
std::optional<Bytes> readValue(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
    return std::nullopt;
  Bytes bytes(size);
  DWORD read = size;
  if (::RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &read) != ERROR_SUCCESS || type != REG_MULTI_SZ ||
      read > size)
    return std::nullopt;
  bytes.resize(read);
  return bytes;
}

bool writeValue(HKEY key, const wchar_t* name, const Bytes& bytes) {
  if (bytes.empty()) return ::RegDeleteValueW(key, name) == ERROR_SUCCESS;
  return ::RegSetValueExW(key, name, 0, REG_MULTI_SZ, bytes.data(), static_cast<DWORD>(bytes.size())) ==
         ERROR_SUCCESS;
}

int cancelIn(HKEY key, const wchar_t* name, const std::vector<std::wstring>& ourPaths,
             const std::function<void(HKEY, const wchar_t*)>& afterWrite) {
  const auto isOurs = [&ourPaths](std::wstring_view path) {
    for (const std::wstring& ours : ourPaths)
      if (!ours.empty() && SameFile(path, ours)) return true;
    return false;
  };
  int writes = 0;
  for (int round = 0; round < kRounds; ++round) {
    const std::optional<Bytes> before = readValue(key, name);
    if (!before) break;
    // Nothing of ours left (the read after a write lands here), or a value
    // that is not certainly a list.
    const std::optional<Bytes> after = WithoutOurPairs(*before, isOurs);
    if (!after) break;
    // NOTE: the registry has no compare-and-swap. Reading again just before
    // writing leaves only the time between these two calls in which another
    // program's write would be lost; a write after ours is read next round.
    if (readValue(key, name) != before) continue;
    if (!writeValue(key, name, *after)) break;
    ++writes;
    if (afterWrite) afterWrite(key, name);
  }
  return writes;
}

}  // namespace

int CancelPendingRemovals(const std::vector<std::wstring>& ourPaths,
                          const std::function<void(HKEY, const wchar_t*)>& afterWrite) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS)
    return 0;
  int writes = 0;
  for (const wchar_t* name : kValueNames) writes += cancelIn(key, name, ourPaths, afterWrite);
  ::RegCloseKey(key);
  return writes;
}

}  // namespace setup
