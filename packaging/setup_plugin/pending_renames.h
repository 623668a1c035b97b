// The list of deletes and renames Windows carries out at the next restart
// (PendingFileRenameOperations and PendingFileRenameOperations2 under
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager): pairs of strings,
// source then target, each ending in a zero character, and one more zero
// character after the last pair. An empty target is a delete; a target
// starting with '!' replaces an existing file. Sources are NT paths, written
// "\??\C:\..." or, by Windows 10 and 11, "*1\??\C:\...".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

// The path of an NT source ("\??\C:\x" or "*N\??\C:\x" give "C:\x"), or
// nothing when the source has another form.
std::optional<std::wstring_view> PathOfSource(std::wstring_view source);

// The value's bytes without the pairs whose source path isOurs accepts.
// Nothing when no pair is ours, or when the bytes are not certainly such a
// list (odd length, no final zero, an empty source, bytes after the end):
// then the value stays exactly as it is. An empty result means no pair is
// left.
std::optional<std::vector<unsigned char>> WithoutOurPairs(const std::vector<unsigned char>& value,
                                                          const std::function<bool(std::wstring_view)>& isOurs);

}  // namespace setup
