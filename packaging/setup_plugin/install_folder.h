// Whether setup may put Flindra's files in a folder: it never writes over,
// nor later deletes, another program's files.
#pragma once

#include <string>

namespace setup {

enum class FolderUse {
  Free,      // absent or empty
  Flindras,  // Flindra's files only, with Flindra's uninstaller among them
  Foreign,   // anything else, or a folder that cannot be read
};

// The files setup puts in its folder (packaging/flindra.nsi): uninstall.exe,
// LICENSE.txt and README.txt. The uninstaller is Flindra's when its version
// resource names product and publisher.
FolderUse ExamineInstallFolder(const std::wstring& folder, const std::wstring& product,
                               const std::wstring& publisher);

}  // namespace setup
