// Takes the installer's own files out of the deletes and renames waiting for
// the next restart, in the registry itself.
#pragma once

#include <string>
#include <vector>

namespace setup {

// Removes from PendingFileRenameOperations and PendingFileRenameOperations2
// every pair whose source is one of ourPaths (any letter case, a folder with
// or without its final backslash). Every other pair stays byte for byte and
// in order; a value that is absent, not REG_MULTI_SZ, changed while being
// read or not certainly a list of pairs stays as it is. Returns the number of
// values rewritten or deleted.
int CancelPendingRemovals(const std::vector<std::wstring>& ourPaths);

}  // namespace setup
