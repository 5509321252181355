#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

#include "app/application.h"
#include "clipboard/clipwin.h"
#include "gui_helpers.h"
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

class ClipWatcherTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        board().clear();
        // Connected before the watcher starts watching, so it sees every change first.
        QObject::connect(&board(), &QClipboard::dataChanged, &watcher, [this] {
            written << board().text();
            titles << watcher.windowTitle();
        });
        watcher.show();
    }
    ~ClipWatcherTest() override { watcher.close(); }

    // A copy made by another program.
    void copy(const QString& text)
    {
        written.clear();
        titles.clear();
        board().setText(text);
    }
    QComboBox* box(const char* name) { return control<QComboBox>(&watcher, name); }
    void type(const char* name, const QString& text)  // in place of the box's text, as the user does
    {
        QTest::keyClick(box(name)->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box(name)->lineEdit(), text);
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
    EXPECT_EQ(items(box("LogFrom")), QStringList {"abc"});
    EXPECT_EQ(items(box("LogTo")), QStringList {"==="});
    EXPECT_EQ(box("LogTo")->currentText(), "===");
    EXPECT_EQ(written, QStringList {"abc"});  // nothing written back
}

TEST_F(ClipWatcherTest, ReplacedTextIsWrittenOnceAndItsOwnPassSettles)
{
    box("pattern")->addItems({"old", "^ABC"});
    type("pattern", "^abc");
    type("RepStr", "xyz");
    copy("abc123");
    EXPECT_EQ(written, (QStringList {"abc123", "xyz123\r\n"}));
    EXPECT_EQ(titles[1], "Replaced");  // the caption comes before the write
    EXPECT_EQ(board().text(), "xyz123\r\n");
    EXPECT_EQ(watcher.windowTitle(), "Nat Match");
    EXPECT_EQ(items(box("LogFrom")), QStringList {"xyz123"});
    EXPECT_EQ(items(box("LogTo")), QStringList {"---"});
    // "^ABC" equals the text ignoring case: exchanged with the first item, keeping its letters.
    EXPECT_EQ(items(box("pattern")), (QStringList {"^ABC", "old"}));
    EXPECT_EQ(box("pattern")->currentText(), "^abc");
    EXPECT_EQ(items(box("RepStr")), QStringList {"xyz"});
}

TEST_F(ClipWatcherTest, UrlStepLineByLine)
{
    control<QAbstractButton>(&watcher, "Decode")->click();
    copy("a+b%21");
    EXPECT_EQ(written, (QStringList {"a+b%21", "a b!\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), "Same String");
    copy("x%41\r\n100%");
    EXPECT_EQ(board().text(), "xA\r\n100%\r\n");
    control<QAbstractButton>(&watcher, "Encode")->click();
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
    EXPECT_EQ(items(box("LogFrom")), QStringList {"first"});
    runIdleUpdates();
    EXPECT_FALSE(control<QAction>(&watcher, "Retry")->isEnabled());  // LogFrom has lines, the clipboard no text

    copy("again");
    runIdleUpdates();
    EXPECT_TRUE(control<QAction>(&watcher, "Retry")->isEnabled());
    type("pattern", "again");
    type("RepStr", "done");
    written.clear();
    runIdleUpdates();
    control<QAction>(&watcher, "Retry")->trigger();
    EXPECT_EQ(written, (QStringList {"again\r\n", "done\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), "Nat Match");
}

TEST_F(ClipWatcherTest, ErrorsLeaveTheDesignedState)
{
    copy("before");
    type("pattern", "(");
    copy("one\ntwo");
    EXPECT_EQ(MessageBox::takeRecorded().size(), 1);
    EXPECT_EQ(items(box("LogFrom")), (QStringList {"one", "two"}));
    EXPECT_EQ(box("LogTo")->count(), 0);
    EXPECT_EQ(watcher.windowTitle(), "Same String");  // the caption of the last handled text
    EXPECT_EQ(written, QStringList {"one\ntwo"});

    type("pattern", "(*LIMIT_MATCH=1000)(a+)+b|c$");
    copy(QString(40, u'a') + "c");
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"match limit exceeded"});
    type("pattern", "a");
    box("RepStr")->setEditText(QString(QChar(7)));  // no key types it
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
    type("pattern", "a");
    type("RepStr", "aa");
    copy("a");
    EXPECT_EQ(written, (QStringList {"a", "aa\r\n"}));  // its own pass would write again: stopped
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
    EXPECT_EQ(items(box("LogTo")), QStringList {"aaaa"});
    // A clipboard manager posting the written text again is no change from outside.
    copy("aa\r\n");
    EXPECT_EQ(written, QStringList {"aa\r\n"});
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
    copy("xa");  // a change from outside starts afresh
    EXPECT_EQ(written, (QStringList {"xa", "xaa\r\n"}));
    written.clear();
    runIdleUpdates();
    control<QAction>(&watcher, "Retry")->trigger();  // Retry too: the text of LogFrom, then one rewrite of it
    EXPECT_EQ(written, (QStringList {"xaa\r\n", "xaaaa\r\n"}));
    EXPECT_EQ(watcher.windowTitle(), TClipWindow::kChainStopped);
}

TEST_F(ClipWatcherTest, BytesTheReplacementDidNotTouchStayAsTheyWere)
{
    type("pattern", "abc");
    type("RepStr", "xyz");
    copyBytes("\xFF\x82\xA0"
              "abc");  // Shift-JIS, not UTF-8
    EXPECT_EQ(heldBytes(), "\xFF\x82\xA0"
                           "xyz\r\n");
    type("pattern", "(.*)");
    type("RepStr", "\\1");
    control<QAbstractButton>(&watcher, "Decode")->click();
    copy("%82%A0");  // decodes to bytes that are not UTF-8: the line stays
    EXPECT_EQ(written, QStringList {"%82%A0"});
    EXPECT_EQ(watcher.windowTitle(), "Same String");
    copy("a%00b");  // the text is written up to the zero byte
    EXPECT_EQ(heldBytes(), "a");
    if (!board().ownsClipboard()) {
        // Handed over decoded, with U+FFFD where bytes were not UTF-8: left as it is.
        control<QAbstractButton>(&watcher, "NotCare")->click();
        type("pattern", "abc");
        type("RepStr", "xyz");
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
    type("pattern", "x");
    type("RepStr", "y");
    copy("x");
    EXPECT_EQ(board().text(), "y\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &other);

    // A program changing the clipboard while the error box is open gets no second box inside it;
    // its newest text is handled once the box is closed.
    type("pattern", "(");
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
    EXPECT_EQ(items(box("LogFrom")), QStringList {"copy 3"});
}

TEST_F(ClipWatcherTest, ClosingStopsWatchingAndReopeningSelectsTheHistories)
{
    box("pattern")->addItems({"first", "second"});
    box("RepStr")->addItems({"one"});
    type("pattern", "x");
    control<QAbstractButton>(&watcher, "CloseButton")->click();
    EXPECT_FALSE(watcher.watching());
    copy("x");
    EXPECT_EQ(watcher.windowTitle(), "Clipboard Watcher");
    watcher.show();
    EXPECT_TRUE(watcher.watching());
    EXPECT_EQ(box("pattern")->currentText(), "first");
    EXPECT_EQ(box("RepStr")->currentText(), "one");
    // A minimised and restored watcher is no new showing: nothing is selected again.
    type("pattern", "typed");
    watcher.setWindowState(Qt::WindowMinimized);
    watcher.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(box("pattern")->currentText(), "typed");
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
