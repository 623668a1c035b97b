// Takes the installer's own files out of the deletes and renames waiting for
// the next restart, in the registry itself.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace setup {

// Removes from PendingFileRenameOperations and PendingFileRenameOperations2
// every pair whose source names one of ourPaths, however either is spelt
// (SameFile). Every other pair stays byte for byte and in order; a value
// that is absent, not REG_MULTI_SZ, changed while being read or not
// certainly a list of pairs stays as it is. After writing it reads the value
// again: a program that wrote in the meantime from an older read brings our
// pairs back beside its own, and they go again. Returns the number of writes.
// afterWrite, for the tests, runs right after each write, as another program
// might.
int CancelPendingRemovals(const std::vector<std::wstring>& ourPaths,
                          const std::function<void(HKEY key, const wchar_t* name)>& afterWrite = {});

}  // namespace setup
