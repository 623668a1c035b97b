// flindra_setup.dll, the installer's own NSIS plugin:
//   flindra_setup::CancelPendingRemoval SAVER UNINSTALLER FOLDER
// takes the deletes and renames of those three paths that an older
// uninstaller left for the next restart out of the registry.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "pending_registry.h"

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
