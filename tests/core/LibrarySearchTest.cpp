#include "core/LibrarySearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kes {
namespace {

using Folders = std::vector<std::string>;

TEST(LibrarySearchFolders, FixedFoldersThenFullPathEntriesOfPath) {
    // Only full paths: every relative form would be resolved against the current folder.
    const char* path =
        ";C:\\Tools;;\"D:\\Quoted dir\\\";.;..\\lib;bin;\\rooted;E:drive;\"\";\\\\server\\share;"
        "f:/forward/;\"G:\\half";
    EXPECT_EQ(LibrarySearchFolders("C:\\App\\", "C:\\windows\\system32", "C:\\windows", path),
              (Folders{"C:\\App\\", "C:\\windows\\system32\\", "C:\\windows\\", "C:\\Tools\\",
                       "D:\\Quoted dir\\", "\\\\server\\share\\", "f:/forward/"}));
    // A failed folder query gives an empty folder, which is no folder at all.
    EXPECT_EQ(LibrarySearchFolders("", "", "", "C:\\Tools"), Folders{"C:\\Tools\\"});
}

}  // namespace
}  // namespace kes
