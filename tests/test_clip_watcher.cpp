#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QRadioButton>

#include "app/application.h"
#include "clipboard/clipwin.h"
#include "clipboard/urlcoder.h"
#include "dialogs/ui_common.h"

using namespace moxtal;

namespace {

QClipboard& board()
{
    return *QGuiApplication::clipboard();
}

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

class ClipWatcherTest : public testing::Test {
protected:
    void SetUp() override
    {
        MessageBox::setTestMode(true);
        MessageBox::takeRecorded();
        board().clear();
        watcher.pattern->setEditText(QStringLiteral("(.*)"));
        // Connected before the watcher starts watching, so it sees every change first.
        QObject::connect(&board(), &QClipboard::dataChanged, &watcher, [this] {
            written << board().text();
            titles << watcher.windowTitle();
        });
        watcher.show();
    }
    void TearDown() override { watcher.close(); }

    // A copy made by another program.
    void copy(const QString& text)
    {
        written.clear();
        titles.clear();
        board().setText(text);
    }

    TClipWindow watcher;
    QStringList written;  // every text the clipboard held, the copy from outside first
    QStringList titles;   // the caption at each change
};

TEST_F(ClipWatcherTest, DesignValuesLeaveTheSameString)
{
    EXPECT_EQ(watcher.windowTitle(), "Clipboard Watcher");
    copy("abc");
    EXPECT_EQ(watcher.windowTitle(), "Same String");
    EXPECT_EQ(items(watcher.LogFrom), QStringList {"abc"});
    EXPECT_EQ(items(watcher.LogTo), QStringList {"==="});
    EXPECT_EQ(watcher.LogTo->currentText(), "===");
    EXPECT_EQ(written, QStringList {"abc"});  // nothing written back
}

TEST_F(ClipWatcherTest, ReplacedTextIsWrittenOnceAndItsOwnPassSettles)
{
    watcher.pattern->addItems({"old", "^ABC"});
    watcher.pattern->setEditText("^abc");
    watcher.RepStr->setEditText("xyz");
    copy("abc123");
    EXPECT_EQ(written, (QStringList {"abc123", "xyz123\r\n"}));
    EXPECT_EQ(titles[1], "Replaced");  // the caption comes before the write
    EXPECT_EQ(board().text(), "xyz123\r\n");
    EXPECT_EQ(watcher.windowTitle(), "Nat Match");
    EXPECT_EQ(items(watcher.LogFrom), QStringList {"xyz123"});
    EXPECT_EQ(items(watcher.LogTo), QStringList {"---"});
    // "^ABC" equals the text ignoring case: exchanged with the first item, keeping its letters.
    EXPECT_EQ(items(watcher.pattern), (QStringList {"^ABC", "old"}));
    EXPECT_EQ(watcher.pattern->currentText(), "^abc");
    EXPECT_EQ(items(watcher.RepStr), QStringList {"xyz"});
}

TEST_F(ClipWatcherTest, UrlStepLineByLine)
{
    watcher.Decode->setChecked(true);
    copy("a+b%21");
    EXPECT_EQ(written, (QStringList {"a+b%21", "a b!\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), "Same String");
    copy("x%41\r\n100%");
    EXPECT_EQ(board().text(), "xA\r\n100%\r\n");
    watcher.Encode->setChecked(true);
    copy("abc123");
    EXPECT_EQ(written, QStringList {"abc123"});
    EXPECT_EQ(watcher.windowTitle(), "Same String");
}

TEST_F(ClipWatcherTest, NoTextAndRetry)
{
    copy("first");
    auto* image = new QMimeData;
    image->setImageData(QImage(2, 2, QImage::Format_RGB32));
    board().setMimeData(image);
    EXPECT_EQ(items(watcher.LogFrom), QStringList {"first"});
    watcher.RetryUpdate();
    EXPECT_FALSE(watcher.Retry->isEnabled());  // LogFrom has lines, the clipboard no text

    copy("again");
    watcher.RetryUpdate();
    EXPECT_TRUE(watcher.Retry->isEnabled());
    watcher.pattern->setEditText("again");
    watcher.RepStr->setEditText("done");
    written.clear();
    runIdleUpdates();
    watcher.Retry->trigger();
    EXPECT_EQ(written, (QStringList {"again\r\n", "done\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), "Nat Match");
}

TEST_F(ClipWatcherTest, ErrorsLeaveTheDesignedState)
{
    copy("before");
    watcher.pattern->setEditText("(");
    copy("one\ntwo");
    EXPECT_EQ(MessageBox::takeRecorded().size(), 1);
    EXPECT_EQ(items(watcher.LogFrom), (QStringList {"one", "two"}));
    EXPECT_EQ(watcher.LogTo->count(), 0);
    EXPECT_EQ(watcher.windowTitle(), "Same String");  // the caption of the last handled text
    EXPECT_EQ(written, QStringList {"one\ntwo"});

    watcher.pattern->setEditText("(*LIMIT_MATCH=1000)(a+)+b|c$");
    copy(QString(40, u'a') + "c");
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"match limit exceeded"});
    watcher.pattern->setEditText("a");
    watcher.RepStr->setEditText(QString(QChar(7)));
    copy("a");
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"sub pattern error"});
}

TEST_F(ClipWatcherTest, RunawayChainsStopAndStartAfresh)
{
    watcher.pattern->setEditText("a");
    watcher.RepStr->setEditText("aa");
    copy("a");
    EXPECT_EQ(written.size(), TClipWindow::kChainLimit + 1);  // the copy, then the bounded writes
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
    const QString held = board().text();
    copy("xa");  // a change from outside starts afresh
    EXPECT_EQ(written.size(), TClipWindow::kChainLimit + 1);
    written.clear();
    runIdleUpdates();
    watcher.Retry->trigger();
    EXPECT_EQ(written.size(), TClipWindow::kChainLimit);  // Retry too; its own write is the first
    EXPECT_NE(held, board().text());
}

TEST_F(ClipWatcherTest, ClosingStopsWatchingAndReopeningSelectsTheHistories)
{
    watcher.pattern->addItems({"first", "second"});
    watcher.RepStr->addItems({"one"});
    watcher.pattern->setEditText("x");
    watcher.close();
    EXPECT_FALSE(watcher.watching());
    copy("x");
    EXPECT_EQ(watcher.windowTitle(), "Clipboard Watcher");
    watcher.show();
    EXPECT_TRUE(watcher.watching());
    EXPECT_EQ(watcher.pattern->currentText(), "first");
    EXPECT_EQ(watcher.RepStr->currentText(), "one");
    // A minimised and restored watcher is no new showing: nothing is selected again.
    watcher.pattern->setEditText("typed");
    watcher.setWindowState(Qt::WindowMinimized);
    watcher.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(watcher.pattern->currentText(), "typed");
}

TEST(UrlCoderComponent, ReportsAFailedDecode)
{
    TUrlCoder coder;
    coder.InputString = "a b/c";
    EXPECT_EQ(coder.GetEncodeString(), "a+b%2Fc");
    coder.InputString = "100%";
    EXPECT_EQ(coder.GetDecodeString(), "100%");  // no handler: only the unchanged text
    std::vector<std::string> reports;
    coder.OnError = [&](TUrlCoder* sender, const std::string& operation, const std::string& message) {
        EXPECT_EQ(sender, &coder);
        reports.push_back(operation + "|" + message);
    };
    EXPECT_EQ(coder.GetDecodeString(), "100%");
    coder.InputString = "%4G";
    EXPECT_EQ(coder.GetDecodeString(), "%4G");
    EXPECT_EQ(reports, (std::vector<std::string> {"Error during decode|'$' は整数ではありません",
                                                  "Error during decode|'$4G' は整数ではありません"}));
    EXPECT_EQ(coder.InputString, "%4G");
}

TEST(DisplayPlatform, X11UnderWaylandUnlessChosen)
{
    EXPECT_EQ(chooseDisplayPlatform(nullptr, "wayland-0", ":0"), "xcb");
    EXPECT_EQ(chooseDisplayPlatform("wayland", "wayland-0", ":0"), "");
    EXPECT_EQ(chooseDisplayPlatform(nullptr, "wayland-0", nullptr), "");
    EXPECT_EQ(chooseDisplayPlatform(nullptr, "", ":0"), "");
    EXPECT_EQ(chooseDisplayPlatform(nullptr, nullptr, ":0"), "");
}

}  // namespace
