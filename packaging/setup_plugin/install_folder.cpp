#include "setup_plugin/install_folder.h"

#include <windows.h>

#include <cwchar>
#include <vector>

namespace setup {

namespace {

constexpr const wchar_t* kFlindraFiles[] = {L"uninstall.exe", L"LICENSE.txt", L"README.txt"};

bool sameName(const wchar_t* a, const wchar_t* b) {
  return ::CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

// A string of the file's version resource, in its first language.
std::wstring versionString(const std::wstring& file, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return {};
  void* found = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) || length < 4) return {};
  const auto* language = static_cast<const WORD*>(found);
  wchar_t query[64];
  std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", language[0], language[1], name);
  if (!::VerQueryValueW(block.data(), query, &found, &length) || length == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(found), ::wcsnlen(static_cast<const wchar_t*>(found), length));
}

}  // namespace

FolderUse ExamineInstallFolder(const std::wstring& folder, const std::wstring& product,
                               const std::wstring& publisher) {
  if (folder.empty()) return FolderUse::Foreign;
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FolderUse::Free : FolderUse::Foreign;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderUse::Foreign;

  const std::wstring base = folder.back() == L'\\' ? folder : folder + L'\\';
  WIN32_FIND_DATAW entry{};
  const HANDLE search = ::FindFirstFileW((base + L'*').c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return FolderUse::Foreign;
  bool empty = true;
  bool foreign = false;
  bool uninstaller = false;
  do {
    if (sameName(entry.cFileName, L".") || sameName(entry.cFileName, L"..")) continue;
    empty = false;
    bool ours = false;
    for (const wchar_t* name : kFlindraFiles) ours = ours || sameName(entry.cFileName, name);
    if (!ours || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) foreign = true;
    if (sameName(entry.cFileName, kFlindraFiles[0])) uninstaller = true;
  } while (!foreign && ::FindNextFileW(search, &entry));
  ::FindClose(search);

  if (empty) return FolderUse::Free;
  // LICENSE.txt or README.txt alone could be anyone's.
  if (foreign || !uninstaller) return FolderUse::Foreign;
  const std::wstring file = base + kFlindraFiles[0];
  return versionString(file, L"ProductName") == product && versionString(file, L"CompanyName") == publisher
             ? FolderUse::Flindras
             : FolderUse::Foreign;
}

}  // namespace setup
