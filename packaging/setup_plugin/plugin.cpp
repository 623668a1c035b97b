// flindra_setup.dll, the installer's own NSIS plugin:
//   flindra_setup::CancelPendingRemoval SAVER UNINSTALLER FOLDER
//     takes the deletes and renames of those three paths that an older
//     uninstaller left for the next restart out of the registry;
//   flindra_setup::ExamineFolder FOLDER PRODUCT PUBLISHER
//     pushes "free", "flindra" or "foreign" (install_folder.h);
//   flindra_setup::SameFile PATH PATH
//     pushes "1" when both name the same file or folder, else "0".
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "setup_plugin/install_folder.h"
#include "setup_plugin/pending_registry.h"
#include "setup_plugin/same_file.h"

namespace {

// An entry of NSIS's string stack, as makensis's plugin interface lays it out.
struct StackEntry {
  StackEntry* next;
  wchar_t text[1];
};

std::wstring popString(StackEntry** stack, int stringSize) {
  StackEntry* top = *stack;
  if (!top || stringSize <= 0) return {};
  std::wstring text(top->text, ::wcsnlen(top->text, static_cast<size_t>(stringSize)));
  *stack = top->next;
  ::GlobalFree(top);
  return text;
}

void pushString(StackEntry** stack, int stringSize, const wchar_t* text) {
  if (stringSize <= 0) return;
  auto* entry = static_cast<StackEntry*>(
      ::GlobalAlloc(GPTR, sizeof(StackEntry) + static_cast<size_t>(stringSize) * sizeof(wchar_t)));
  if (!entry) return;
  ::wcsncpy(entry->text, text, static_cast<size_t>(stringSize) - 1);
  entry->next = *stack;
  *stack = entry;
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl CancelPendingRemoval(HWND, int stringSize, wchar_t*,
                                                                   StackEntry** stack, void*) {
  try {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 3; ++i) paths.push_back(popString(stack, stringSize));
    setup::CancelPendingRemovals(paths);
  } catch (...) {
    // Out of memory: the values stay as they are.
  }
}

extern "C" __declspec(dllexport) void __cdecl ExamineFolder(HWND, int stringSize, wchar_t*, StackEntry** stack,
                                                            void*) {
  const wchar_t* use = L"foreign";
  try {
    const std::wstring folder = popString(stack, stringSize);
    const std::wstring product = popString(stack, stringSize);
    const std::wstring publisher = popString(stack, stringSize);
    switch (setup::ExamineInstallFolder(folder, product, publisher)) {
      case setup::FolderUse::Free: use = L"free"; break;
      case setup::FolderUse::Flindras: use = L"flindra"; break;
      case setup::FolderUse::Foreign: break;
    }
  } catch (...) {
    // Out of memory: nothing is known of the folder.
  }
  pushString(stack, stringSize, use);
}

extern "C" __declspec(dllexport) void __cdecl SameFile(HWND, int stringSize, wchar_t*, StackEntry** stack, void*) {
  bool same = false;
  try {
    const std::wstring a = popString(stack, stringSize);
    const std::wstring b = popString(stack, stringSize);
    same = setup::SameFile(a, b);
  } catch (...) {
    // Out of memory: not known to be the same.
  }
  pushString(stack, stringSize, same ? L"1" : L"0");
}
