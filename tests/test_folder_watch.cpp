#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QtCore/qtestsupport_core.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folder_watch.h"
#include "temp_folder.h"

using namespace moxtal;

namespace {

// A watch over dir/sub (which holds old.txt) as the file list keeps one: hidden names and folders
// are none of its business. An event waits in the queue as soon as the change is made, so one
// round of the event loop hears it or nothing will; a wait only stands in for that round's delay.
class FolderWatchTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "platform_tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }
    void SetUp() override
    {
        ::mkdir(dir.file("sub").c_str(), 0755);
        dir.write("sub/old.txt");
        QObject::connect(&watch, &FolderWatch::changed, [this] { ++heardSignals; });
        ASSERT_TRUE(watch.watch(
            sub, [](std::string_view name, bool isFolder) { return !isFolder && !name.empty() && name[0] != '.'; }));
    }
    bool heard()
    {
        return QTest::qWaitFor([this] { return watch.hasChanged(); });
    }
    bool heardNothing()
    {
        QCoreApplication::processEvents();
        return !watch.hasChanged() && heardSignals == 0;
    }

    TempFolder dir;
    const std::string sub = dir.file("sub");
    FolderWatch watch;
    int heardSignals = 0;
};

TEST_F(FolderWatchTest, HearsWhatChangesTheEntries)
{
    struct Row {
        const char* what;
        std::function<void(const TempFolder&)> change;
        bool changes;
    };
    const Row rows[] = {
        {"a file made", [](const TempFolder& d) { d.write("sub/new.txt"); }, true},
        {"a file removed", [](const TempFolder& d) { ::unlink(d.file("sub/old.txt").c_str()); }, true},
        {"a file renamed",
         [](const TempFolder& d) { std::rename(d.file("sub/old.txt").c_str(), d.file("sub/new.txt").c_str()); }, true},
        {"a file moved out",
         [](const TempFolder& d) { std::rename(d.file("sub/old.txt").c_str(), d.file("old.txt").c_str()); }, true},
        {"a file written", [](const TempFolder& d) { std::ofstream(d.file("sub/old.txt"), std::ios::app) << "more"; },
         true},
        {"a file made read-only", [](const TempFolder& d) { ::chmod(d.file("sub/old.txt").c_str(), 0444); }, true},
        {"the folder moved away",
         [](const TempFolder& d) { std::rename(d.file("sub").c_str(), d.file("elsewhere").c_str()); }, true},
        {"a hidden file made", [](const TempFolder& d) { d.write("sub/.hidden"); }, false},
        {"a subfolder made", [](const TempFolder& d) { ::mkdir(d.file("sub/folder").c_str(), 0755); }, false},
        {"the folder's own time set", [](const TempFolder& d) { d.setTime("sub", 1000000000); }, false},
        {"a file beside the folder", [](const TempFolder& d) { d.write("beside.txt"); }, false},
    };
    for (const Row& row : rows) {
        TempFolder other;
        ::mkdir(other.file("sub").c_str(), 0755);
        other.write("sub/old.txt");
        watch.watch(other.file("sub"),
                    [](std::string_view name, bool isFolder) { return !isFolder && !name.empty() && name[0] != '.'; });
        heardSignals = 0;
        row.change(other);
        if (row.changes)
            EXPECT_TRUE(heard()) << row.what;
        else
            EXPECT_TRUE(heardNothing()) << row.what;
        EXPECT_EQ(heardSignals, row.changes ? 1 : 0) << row.what;
    }
    EXPECT_FALSE(watch.watch(dir.file("beside.txt"))) << "a file is no folder";
}

TEST_F(FolderWatchTest, APauseHoldsChangesBackUntilTheFolderIsListedAnew)
{
    watch.pause();
    dir.write("sub/new.txt");
    EXPECT_TRUE(heardNothing());
    watch.resume();
    EXPECT_TRUE(heard());  // nobody listed the folder meanwhile

    watch.watch(sub);
    heardSignals = 0;
    watch.pause();
    ::unlink(dir.file("sub/new.txt").c_str());
    watch.watch(sub);  // listed anew while paused
    watch.resume();
    EXPECT_TRUE(heardNothing());
    dir.write("sub/later.txt");
    EXPECT_TRUE(heard());
    EXPECT_EQ(heardSignals, 1);
}

TEST_F(FolderWatchTest, TheProgramsOwnRenameIsNoChange)
{
    std::rename(dir.file("sub/old.txt").c_str(), dir.file("sub/new.txt").c_str());
    watch.takeOwnRename({"old.txt", "new.txt"});
    EXPECT_TRUE(heardNothing());
    dir.write("sub/other.txt");
    std::rename(dir.file("sub/new.txt").c_str(), dir.file("sub/newer.txt").c_str());
    watch.takeOwnRename({"new.txt", "newer.txt"});  // other.txt is someone else's
    EXPECT_TRUE(watch.hasChanged());
    EXPECT_EQ(heardSignals, 1);
}

TEST_F(FolderWatchTest, AnOverflowedQueueCountsAsAChange)
{
    long limit = 0;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
    if (limit <= 0 || limit > 200000)
        GTEST_SKIP() << "the queue holds " << limit << " events";
    watch.watch(sub, [](std::string_view, bool) { return false; });  // no entry matters
    watch.pause();
    for (long i = 0; i <= limit / 2; ++i) {
        dir.write("sub/x");
        ::unlink(dir.file("sub/x").c_str());
    }
    EXPECT_TRUE(heardNothing());
    watch.resume();
    EXPECT_TRUE(heard());
}

}  // namespace
