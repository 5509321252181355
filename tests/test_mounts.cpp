#include <gtest/gtest.h>

#include <string>

#include "platform/mounts.h"

using namespace moxtal;

namespace {

TEST(Mounts, OctalEscapesBecomeTheirBytes)
{
    struct Case {
        const char* name;
        std::string text;
        std::string path;
    };
    const Case cases[] = {
        {"plain", "/media/usb", "/media/usb"},
        {"a blank", "/media/my\\040disk", "/media/my disk"},
        {"a tab and a backslash", "/mnt/a\\011b\\134c", "/mnt/a\tb\\c"},
        {"a byte that is not UTF-8", "/media/caf\\351", "/media/caf\xE9"},
        {"too short to be an escape", "/media/x\\04", "/media/x\\04"},
        {"not octal", "/media/x\\400", "/media/x\\400"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(unescapeMountPath(c.text), c.path) << c.name;
}

TEST(Mounts, RemovableVolumesLieUnderTheirFolders)
{
    for (const std::string& point : removableMountPoints()) {
        const bool under =
            point.rfind("/media/", 0) == 0 || point.rfind("/run/media/", 0) == 0 || point.rfind("/mnt/", 0) == 0;
        EXPECT_TRUE(under) << point;
    }
}

}  // namespace
