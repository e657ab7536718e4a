#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kes {

// Where a library is looked for, in order, each folder ending in a slash: the program's
// folder, the system folder, the Windows folder, then every PATH entry that is a full path.
// The current folder never counts, so empty and relative entries are left out.
std::vector<std::string> LibrarySearchFolders(std::string_view programFolder,
                                              std::string_view systemFolder,
                                              std::string_view windowsFolder,
                                              std::string_view pathVariable);

}  // namespace kes
