#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QRadioButton>

#include "app/application.h"
#include "clipboard/clipwin.h"
#include "clipboard/urlcoder.h"
#include "core/regular_expression.h"
#include "ui/idle.h"
#include "ui/seams.h"

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
    QStringList titles;  // the caption at each change
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

QByteArray heldBytes()
{
    return board().mimeData()->data(QStringLiteral("text/plain"));
}

// A copy from another program holding exactly these bytes.
void copyBytes(const QByteArray& bytes)
{
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain"), bytes);
    board().setMimeData(data);
}

TEST_F(ClipWatcherTest, OneWritePerChangeFromOutside)
{
    watcher.pattern->setEditText("a");
    watcher.RepStr->setEditText("aa");
    copy("a");
    EXPECT_EQ(written, (QStringList {"a", "aa\r\n"}));  // its own pass would write again: stopped
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
    EXPECT_EQ(items(watcher.LogTo), QStringList {"aaaa"});
    // A clipboard manager posting the written text again is no change from outside.
    copy("aa\r\n");
    EXPECT_EQ(written, QStringList {"aa\r\n"});
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
    copy("xa");  // a change from outside starts afresh
    EXPECT_EQ(written, (QStringList {"xa", "xaa\r\n"}));
    written.clear();
    runIdleUpdates();
    watcher.Retry->trigger();  // Retry too: the text of LogFrom, then one rewrite of it
    EXPECT_EQ(written, (QStringList {"xaa\r\n", "xaaaa\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);

    // "\1\1" doubles once per copy; a result beyond 64 MiB is never written.
    EXPECT_EQ(TClipWindow::writableText(std::string(TClipWindow::kMaxWrite, 'x')).size(), TClipWindow::kMaxWrite);
    EXPECT_THROW(TClipWindow::writableText(std::string(TClipWindow::kMaxWrite + 1, 'x')), AppError);
}

TEST_F(ClipWatcherTest, BytesTheReplacementDidNotTouchStayAsTheyWere)
{
    watcher.pattern->setEditText("abc");
    watcher.RepStr->setEditText("xyz");
    copyBytes("\xFF\x82\xA0"
              "abc");  // Shift-JIS, not UTF-8
    EXPECT_EQ(heldBytes(), "\xFF\x82\xA0"
                           "xyz\r\n");
    watcher.pattern->setEditText("(.*)");
    watcher.RepStr->setEditText("\\1");
    watcher.Decode->setChecked(true);
    copy("%82%A0");  // decodes to bytes that are not UTF-8: the line stays
    EXPECT_EQ(written, QStringList {"%82%A0"});
    EXPECT_EQ(watcher.windowTitle(), "Same String");
    copy("a%00b");  // the text is written up to the zero byte
    EXPECT_EQ(heldBytes(), "a");
    if (!board().ownsClipboard()) {
        // Handed over decoded, with U+FFFD where bytes were not UTF-8: left as it is.
        watcher.Decode->setChecked(false);
        watcher.pattern->setEditText("abc");
        watcher.RepStr->setEditText("xyz");
        copy(QStringLiteral("abc\uFFFD"));
        EXPECT_EQ(written, QStringList {QStringLiteral("abc\uFFFD")});
        EXPECT_EQ(watcher.windowTitle(), TClipWindow::kNotUtf8);
    }
}

TEST_F(ClipWatcherTest, AWriteLeavesTheFocusAndErrorBoxesNeverNest)
{
    QWidget other;
    other.show();
    other.activateWindow();
    for (int i = 0; i < 100 && QApplication::activeWindow() != &other; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(QApplication::activeWindow(), &other);
    watcher.pattern->setEditText("x");
    watcher.RepStr->setEditText("y");
    copy("x");
    EXPECT_EQ(board().text(), "y\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &other);

    // A program changing the clipboard while the error box is open gets no second box inside it;
    // its newest text is handled once the box is closed.
    watcher.pattern->setEditText("(");
    int depth = 0, deepest = 0, copies = 0;
    MessageBox::setWhileOpen([&] {
        deepest = std::max(deepest, ++depth);
        if (copies < 3)
            board().setText(QStringLiteral("copy %1").arg(++copies));
        --depth;
    });
    copy("first");
    MessageBox::setWhileOpen({});
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(MessageBox::takeRecorded().size(), 4);
    EXPECT_EQ(items(watcher.LogFrom), QStringList {"copy 3"});
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
