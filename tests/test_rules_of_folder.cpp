#include <gtest/gtest.h>

#include "platform/folder_rules.h"
#include "platform/posix_handles.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

// The temporary folder is on ext4 or tmpfs: names are bytes, at most 255 of them, whatever the
// folder's names give the case probe to try.
TEST(RulesOfFolder, APlainLinuxFolderKeepsNamesAsBytes)
{
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"a name with letters to try", {"Photo.JPG", "b.txt"}, {".", "..", "Photo.JPG", "b.txt"}},
        {"no letter to try", {"123", "4_5"}, {"123", "4_5"}},
        {"both spellings listed", {"a", "A"}, {"a", "A"}},
        {"the listing is older than the folder", {"new.txt"}, {"gone.txt"}},
        {"an empty folder", {}, {}},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        for (const std::string& file : c.files)
            dir.write(file);
        const UniqueFd fd = openFolderFd(dir.path());
        ASSERT_TRUE(fd) << c.name;
        EXPECT_EQ(rulesOfFolder(fd.get(), c.listed), FolderRules {}) << c.name;
    }
}

}  // namespace
