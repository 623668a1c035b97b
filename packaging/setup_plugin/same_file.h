// Whether two paths name the same file or folder, however they are spelt:
// long or short (8.3) names, letter case, a folder's final backslash.
#pragma once

#include <string_view>

namespace setup {

// True when a and b, both absolute ("C:\..." or "\\server\share\..."), name
// the same thing: the same volume and file ID while both can be opened,
// otherwise the same full path with long names as far as it exists
// (compared as the file system does, ignoring letter case).
bool SameFile(std::wstring_view a, std::wstring_view b);

}  // namespace setup
