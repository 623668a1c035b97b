#include "setup_plugin/same_file.h"

#include <windows.h>

#include <optional>
#include <string>

namespace setup {

namespace {

struct FileId {
  DWORD volume;
  DWORD high;
  DWORD low;
};

bool isAbsolute(std::wstring_view path) {
  const bool drive = path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
                     path[1] == L':' && path[2] == L'\\';
  return drive || (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
}

// The volume and file ID, for a file or a folder that can be opened. No
// access is asked for, so a program holding the file without sharing does
// not stand in the way.
std::optional<FileId> idOf(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(file, &info) != FALSE;
  ::CloseHandle(file);
  if (!known) return std::nullopt;
  return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::wstring fullPath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

// The full path with every part that exists in its long form; what does not
// exist (a file already deleted) keeps its spelling. No final backslash.
std::wstring longForm(std::wstring_view path) {
  std::wstring head = fullPath(std::wstring(path));
  while (head.size() > 3 && head.back() == L'\\') head.pop_back();
  std::wstring tail;
  for (;;) {
    const DWORD size = ::GetLongPathNameW(head.c_str(), nullptr, 0);
    if (size != 0) {
      std::wstring longHead(size, L'\0');
      const DWORD length = ::GetLongPathNameW(head.c_str(), longHead.data(), size);
      if (length != 0 && length < size) {
        longHead.resize(length);
        if (longHead.size() > 3 && longHead.back() == L'\\') longHead.pop_back();
        return longHead + tail;
      }
    }
    const std::size_t cut = head.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut < 3) return head + tail;
    tail.insert(0, head, cut, std::wstring::npos);
    head.resize(cut);
  }
}

bool sameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

bool SameFile(std::wstring_view a, std::wstring_view b) {
  if (!isAbsolute(a) || !isAbsolute(b)) return false;
  const std::optional<FileId> idA = idOf(std::wstring(a));
  const std::optional<FileId> idB = idA ? idOf(std::wstring(b)) : std::nullopt;
  if (idA && idB) return idA->volume == idB->volume && idA->high == idB->high && idA->low == idB->low;
  return sameText(longForm(a), longForm(b));
}

}  // namespace setup
