#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTranslator>

#include "browse/folderview.h"
#include "clipboard/clipwin.h"
#include "core/app_error.h"
#include "core/text_lines.h"
#include "dialogs/historywin.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "temp_folder.h"
#include "ui/combo_history.h"
#include "ui/messages.h"
#include "ui/seams.h"

using namespace moxtal;

namespace {

using Names = std::vector<std::string>;

QStringList items(const QComboBox* box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* action : menu->actions())
        out << (action->isSeparator() ? QStringLiteral("|") : action->text());
    return out;
}

std::string mainCfg()
{
    return testSettingsFolder().read("main.cfg");
}

class SettingsTest : public WindowTest { };

TEST_F(SettingsTest, EveryStoredValueSurvivesARestart)
{
    TempFolder dir;
    dir.write("a.txt");
    {
        auto form = makeWindow();
        form->show();
        form->setGeometry(-7, 3, 640, 480);
        for (int i = 0; i < 25; ++i)
            control<QComboBox>(form.get(), "pattern")->addItem(QString("p%1").arg(i));
        control<QComboBox>(form.get(), "RepStr")->addItems({"", "--- ", "写真"});
        typeInto(form.get(), "pattern", "(\\d+)");
        typeInto(form.get(), "RepStr", "IMG_\\\\\\");
        typeInto(form.get(), "Extension", "*.txt");
        control<TFolderView>(form.get(), "FolderView1")->SetDirectory(dir.path());
        form->setFileListWidth(333);
        form->windows().RenameReport->setGeometry(50, 60, 456, 404);
        control<QComboBox>(form->windows().ClipWindow, "pattern")->addItems({"^abc", "x"});
        control<QComboBox>(form->windows().ClipWindow, "RepStr")->addItems({"xyz"});
        form->windows().ClipWindow->setGeometry(11, 12, 400, 170);
        form->close();
    }
    const std::string saved = mainCfg();
    const std::vector<std::string> lines = linesOf(saved);
    ASSERT_EQ(lines.size(), 21u + 20 + 3 + 2 + 1);
    EXPECT_EQ((Names(lines.begin(), lines.begin() + 4)), (Names {"3", "-7", "640", "480"}));

    auto form = makeWindow();
    form->show();
    EXPECT_TRUE(MessageBox::takeRecorded().isEmpty());
    EXPECT_EQ(form->geometry().topLeft(), QPoint(-7, 3));
    EXPECT_EQ(form->size(), QSize(640, 480));
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->currentText(), "(\\d+)");
    EXPECT_EQ(control<QComboBox>(form.get(), "RepStr")->currentText(), "IMG_\\\\\\");
    EXPECT_EQ(control<QLineEdit>(form.get(), "Extension")->text(), "*.txt");
    EXPECT_EQ(form->directory(), dir.path());
    EXPECT_EQ(listedNames(*form), Names {"a.txt"});
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->count(), 20);
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->itemText(19), "p19");
    EXPECT_EQ(items(control<QComboBox>(form.get(), "RepStr")), (QStringList {"", "--- ", "写真"}));
    EXPECT_EQ(control<QWidget>(form.get(), "FileListView1")->width(), 333);
    EXPECT_EQ(form->windows().RenameReport->geometry(), QRect(50, 60, 456, 404));
    EXPECT_EQ(items(control<QComboBox>(form->windows().ClipWindow, "pattern")), (QStringList {"^abc", "x"}));
    EXPECT_EQ(items(control<QComboBox>(form->windows().ClipWindow, "RepStr")), QStringList {"xyz"});
    EXPECT_EQ(form->windows().ClipWindow->geometry().topLeft(), QPoint(11, 12));
    EXPECT_EQ(form->windows().ClipWindow->size(), QSize(400, 170));
    // Saved again unchanged: the same bytes, no window creeping from run to run.
    form->close();
    EXPECT_EQ(mainCfg(), saved);
}

TEST_F(SettingsTest, TextsThatAreNotUtf8KeepTheirBytesThroughARestart)
{
    // Shift-JIS and Latin-1 bytes in the texts and histories of both windows.
    TempFolder dir;
    const std::string written = textOfLines(
        {"10",        "20",  "600",      "400", "caf\xE9(.*)", "\x82\xA0\\1", "*.\xE9", dir.path(), "\xFF\xFE",
         "plain",     "---", "\x82\xA0", "---", "370",         "5",           "6",      "456",      "404",
         "\xE9t\xE9", "---", "\xFE",     "---", "7",           "8",           "340",    "170"});
    testSettingsFolder().write("main.cfg", written);
    {
        auto form = makeWindow();
        form->show();
        EXPECT_TRUE(MessageBox::takeRecorded().isEmpty());
        // The history editor's OK on an unedited list keeps its bytes too.
        THistory& editor = *form->windows().History;
        whenShown(&editor, [&] { control<QPushButton>(&editor, "OKButton1")->click(); });
        triggerAction(form.get(), "History1");
        form->close();
    }
    EXPECT_EQ(mainCfg(), written);
}

TEST_F(SettingsTest, MinimumSizesApplyToRestoredBounds)
{
    testSettingsFolder().write(
        "main.cfg", textOfLines({"10", "20", "100", "90", "p",   "r",   "*.*", "/nowhere", "---", "---", "50",
                                 "1",  "2",  "3",   "4",  "---", "---", "5",   "6",        "100", "500"}));
    auto form = makeWindow();
    form->show();
    EXPECT_EQ(form->width(), 510);
    EXPECT_GE(form->height(), 90);  // no lower than the layout allows
    EXPECT_GE(control<QWidget>(form.get(), "FileListView1")->width(), 300);
    EXPECT_EQ(form->windows().RenameReport->geometry(), QRect(2, 1, 3, 4));
    EXPECT_EQ(form->windows().ClipWindow->size(), QSize(340, 170));
    // A folder the tree cannot select gives the application folder, unlisted.
    std::string appFolder = form->applicationFolder();
    appFolder.pop_back();
    EXPECT_EQ(form->directory(), appFolder);
    EXPECT_TRUE(listedNames(*form).empty());
    form->close();

    // Damaged bounds come back onto the screen, no larger than it.
    testSettingsFolder().write("main.cfg", textOfLines({"-2147483648", "2147483647", "2147483647", "2147483647"}));
    form = makeWindow();
    form->show();
    const QRect screen = form->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->geometry().topLeft()));
    EXPECT_LE(form->width(), screen.width());
    EXPECT_LE(form->height(), screen.height());
}

TEST_F(SettingsTest, DamagedFilesLeaveAUsableWindow)
{
    TempFolder dir;
    dir.write("a.txt");
    ::mkdir(dir.file("sub").c_str(), 0755);
    dir.write("sub/b.txt");
    const std::vector<std::string> full {"1",   "2", "600", "400", "pat", "rep", "*.*", dir.path(), "h1", "---", "---",
                                         "370", "1", "2",   "456", "404", "---", "---", "3",        "4",  "340", "170"};
    testSettingsFolder().write("pattern.cfg", textOfLines({"comment", "p", "r"}));
    auto check = [&](const std::vector<std::string>& lines, const QString& message) {
        testSettingsFolder().write("main.cfg", textOfLines(lines));
        auto form = makeWindow();
        form->show();
        EXPECT_EQ(MessageBox::takeRecorded(), message.isEmpty() ? QStringList {} : QStringList {message})
            << lines.size();
        EXPECT_TRUE(form->shown());
        EXPECT_EQ(captions(control<QMenu>(form.get(), "LoadParrern1")), QStringList {"comment"});  // presets built
        // A change of folder still lists the new one.
        control<TFolderView>(form.get(), "FolderView1")->SetDirectory(dir.file("sub"));
        EXPECT_EQ(listedNames(*form), Names {"b.txt"}) << lines.size();
        return form;
    };
    for (std::size_t count = 0; count < full.size(); ++count) {
        const std::vector<std::string> cut(full.begin(), full.begin() + static_cast<long>(count));
        const bool accepted = count == 11 || count == 12;
        check(cut, accepted ? QString() : QString("リストのインデックスが範囲を超えています (%1)").arg(count));
    }
    // Values before the failing line stay applied.
    for (const std::size_t line : {0u, 2u, 11u, 12u, 15u, 18u, 21u}) {
        std::vector<std::string> damaged = full;
        damaged[line] = "x1";
        auto form = check(damaged, "'x1' は整数ではありません");
        if (line > 4) {
            EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->currentText(), "pat");
        }
        if (line > 8) {
            EXPECT_EQ(items(control<QComboBox>(form.get(), "pattern")), QStringList {"h1"});
        }
    }
}

TEST_F(SettingsTest, FilesThatCannotBeWrittenOrRead)
{
    TempFolder readOnly;
    auto form = makeWindow();
    // A folder of that name where the file should be: neither readable as a file nor writable.
    ::mkdir(readOnly.file("main.cfg").c_str(), 0755);
    form->setSettingsFolder(readOnly.path() + "/");
    bool closed = false;
    QObject::connect(form.get(), &TForm1::closed, [&] { closed = true; });
    form->show();
    EXPECT_EQ(MessageBox::takeRecorded(),
              QStringList {QString::fromStdString("ファイル " + readOnly.file("main.cfg") + " は開けません")});
    form->close();
    EXPECT_EQ(MessageBox::takeRecorded(),
              QStringList {QString::fromStdString("ファイル " + readOnly.file("main.cfg") + " を作成できません")});
    EXPECT_TRUE(closed);
}

TEST_F(SettingsTest, HostileSettingsFilesNeitherHangNorFlood)
{
    // A FIFO (no writer: reading it would block start-up), a link to one, a file beyond 64 MiB:
    // each "cannot be opened", the window starts, and closing it leaves the FIFO a FIFO. (A link
    // to a real device is read in the platform tests only: nothing here may write to one.)
    struct Case {
        const char* file;
        std::function<void(const std::string& path)> make;
    };
    const Case cases[] = {
        {"main.cfg", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }},
        {"main.cfg",
         [](const std::string& p) {
             ::mkfifo((p + ".fifo").c_str(), 0600);
             ASSERT_EQ(::symlink((p + ".fifo").c_str(), p.c_str()), 0);
         }},
        {"pattern.cfg", [](const std::string& p) { ::mkfifo(p.c_str(), 0600); }},
        {"pattern.cfg",
         [](const std::string& p) {
             ASSERT_EQ(::truncate(testSettingsFolder().write("pattern.cfg").c_str(), (65 << 20)), 0);
             (void)p;
         }},
    };
    for (const Case& c : cases) {
        forgetSettings();
        const std::string path = testSettingsFolder().file(c.file);
        c.make(path);
        auto form = makeWindow();
        form->show();
        EXPECT_EQ(MessageBox::takeRecorded(),
                  QStringList {QString::fromStdString("ファイル " + path + " は開けません")})
            << c.file;
        EXPECT_TRUE(form->shown());
        form->close();
        MessageBox::takeRecorded();
        struct stat st { };
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            EXPECT_TRUE(S_ISFIFO(st.st_mode)) << c.file;
        }
        std::remove(path.c_str());
        std::remove((path + ".fifo").c_str());
    }
    // A 10 MB line where a number belongs: the message quotes its first 100 bytes.
    forgetSettings();
    testSettingsFolder().write("main.cfg", std::string(10 << 20, '7') + "x\r\n");
    auto form = makeWindow();
    form->show();
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"'" + QString(100, u'7') + "...' は整数ではありません"});
}

TEST_F(SettingsTest, PresetsRegisterApplyAndSurviveARestart)
{
    {
        auto form = makeWindow();
        form->show();
        auto* presets = control<QMenu>(form.get(), "LoadParrern1");
        EXPECT_TRUE(captions(presets).isEmpty());  // the placeholder is gone
        auto registerAs = [&](const char* pattern, const char* replacement, std::optional<QString> comment) {
            typeInto(form.get(), "pattern", pattern);
            typeInto(form.get(), "RepStr", replacement);
            InputPrompt::setNextAnswer(comment);
            triggerAction(form.get(), "SavePattern1");
        };
        registerAs("(\\d+)", "n\\1", QString("numbers"));
        registerAs("a", "b", QString("-"));
        registerAs("(\\d+)", "n\\1", QString("digits"));  // same pair: renamed in place
        registerAs("x", "y", std::nullopt);  // cancelled: an empty comment
        EXPECT_EQ(captions(presets), (QStringList {"digits", "|", ""}));

        // The real prompt opens in the middle of the screen, not over the window.
        form->move(0, 0);
        QRect promptAt;
        whenShown(form.get(), [&] {
            QWidget* prompt = QApplication::activeModalWidget();
            ASSERT_TRUE(prompt);
            promptAt = prompt->frameGeometry();
            prompt->close();
        });
        MessageBox::setTestMode(false);
        InputPrompt::ask(form.get(), "Save Pattern", "Comment", 255);
        MessageBox::setTestMode(true);
        // (within a few pixels: the prompt settles its size as it is shown)
        EXPECT_LE((promptAt.center() - form->screen()->availableGeometry().center()).manhattanLength(), 8);

        control<QComboBox>(form.get(), "pattern")->addItem("kept");
        presets->actions()[0]->trigger();
        EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->currentText(), "(\\d+)");
        EXPECT_EQ(control<QComboBox>(form.get(), "RepStr")->currentText(), "n\\1");
        EXPECT_EQ(items(control<QComboBox>(form.get(), "pattern")), QStringList {"kept"});  // histories untouched

        // ">>" opens the same entries 190 right of and 20 below the window's corner.
        clickButton(form.get(), "Loadpeset");
        auto* popup = control<QMenu>(form.get(), "PopupMenu2");
        EXPECT_EQ(captions(popup), captions(presets));
        EXPECT_EQ(popup->pos(), form->pos() + QPoint(190, 20));
        popup->close();
        popup->actions()[2]->trigger();
        EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->currentText(), "x");
        form->close();
    }
    EXPECT_EQ(testSettingsFolder().read("pattern.cfg"), "digits\r\n(\\d+)\r\nn\\1\r\n-\r\na\r\nb\r\n\r\nx\r\ny\r\n");
    auto form = makeWindow();
    form->show();
    EXPECT_EQ(captions(control<QMenu>(form.get(), "LoadParrern1")), (QStringList {"digits", "|", ""}));
}

TEST_F(SettingsTest, HistoryEditor)
{
    auto form = makeWindow();
    form->show();
    THistory& editor = *form->windows().History;
    auto* memo = control<QPlainTextEdit>(&editor, "Memo1");
    auto* repStr = control<QComboBox>(form.get(), "RepStr");
    repStr->addItems({"a", "", "b"});
    typeInto(form.get(), "RepStr", "current");
    auto edit = [&](std::function<void()> inDialog) {
        whenShown(&editor, [&] {
            inDialog();
            if (editor.isVisible())
                editor.reject();
        });
        triggerAction(form.get(), "History2");
    };
    edit([&] { control<QPushButton>(&editor, "OKButton1")->click(); });  // unedited: the list stays, the empty item too
    EXPECT_EQ(items(repStr), (QStringList {"a", "", "b"}));
    edit([&] {
        memo->setPlainText("b\n\na\n");
        control<QPushButton>(&editor, "CancelButton2")->click();
    });
    EXPECT_EQ(items(repStr), (QStringList {"a", "", "b"}));
    edit([&] {
        memo->setPlainText("b\n\na\n");  // a final break adds no empty item
        control<QPushButton>(&editor, "OKButton1")->click();
    });
    EXPECT_EQ(items(repStr), (QStringList {"b", "", "a"}));
    EXPECT_EQ(repStr->currentText(), "current");
    edit([&] {
        memo->clear();
        control<QPushButton>(&editor, "OKButton1")->click();
    });
    EXPECT_EQ(repStr->count(), 0);
    EXPECT_EQ(repStr->currentText(), "current");
    // An edited list keeps the bytes of the items that are not UTF-8.
    setComboItems(repStr, {"\xFF"
                           "a",
                           "b"});
    edit([&] {
        QTest::keyClick(memo, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(memo, QStringLiteral("c"));
        control<QPushButton>(&editor, "OKButton1")->click();
    });
    EXPECT_EQ(comboItems(repStr), (std::vector<std::string> {"\xFF"
                                                             "a",
                                                             "b", "c"}));
    setComboItems(repStr, {});
    // Tab leaves the text for the buttons; every opening starts in the text.
    edit([&] {
        EXPECT_EQ(QApplication::focusWidget(), memo);
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        QApplication::sendEvent(memo, &tab);
        EXPECT_EQ(memo->toPlainText(), "");
        control<QPushButton>(&editor, "CancelButton2")->click();
    });
    bool focusedAgain = false;
    edit([&] { focusedAgain = QApplication::focusWidget() == memo; });
    EXPECT_TRUE(focusedAgain);
    EXPECT_EQ(editor.size(), QSize(355, 270));
    EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);
}

}  // namespace

namespace {

// The design's texts in the C and Japanese locales; the English catalogue in any other language,
// complete for every hint and message of the program's own.
TEST(Translations, TheCLocaleDecidesFirstAndTheCatalogueIsComplete)
{
    struct Case {
        const char* name;
        const char *lcAll, *lcMessages, *lang;
        QStringList languages;
        bool english;
    };
    const QStringList en {QStringLiteral("en-US")}, ja {QStringLiteral("ja-JP")}, de {QStringLiteral("de-DE")};
    const std::vector<Case> cases {
        {"C, whatever LANGUAGE says", "C", nullptr, "en_US.UTF-8", en, false},
        {"C.UTF-8", "C.UTF-8", nullptr, nullptr, en, false},
        {"POSIX messages", nullptr, "POSIX", "de_DE.UTF-8", de, false},
        {"nothing set", nullptr, nullptr, nullptr, en, false},
        {"English", nullptr, nullptr, "en_US.UTF-8", en, true},
        {"German", nullptr, nullptr, "de_DE.UTF-8", de, true},
        {"Japanese", nullptr, nullptr, "ja_JP.UTF-8", ja, false},
        {"LANGUAGE=ja on an English desktop", nullptr, nullptr, "en_US.UTF-8", ja, false},
        {"LC_ALL before LANG", "en_GB.UTF-8", nullptr, "C", en, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wantsEnglishCatalogue(c.lcAll, c.lcMessages, c.lang, c.languages), c.english) << c.name;

    // Under the tests' C locale: the design's texts.
    EXPECT_EQ(errorText(AppError(messages::kNotAnInteger, {"abc"})), QStringLiteral("'abc' は整数ではありません"));
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral(":/i18n/moxtal_en.qm")));
    QCoreApplication::installTranslator(&english);
    EXPECT_EQ(errorText(AppError(messages::kNotAnInteger, {"abc"})), QStringLiteral("'abc' is not an integer"));
    for (const char* source : messages::kAll) {
        const QString shown = errorText(AppError(source, {"x"}));
        EXPECT_FALSE(shown.contains(QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"))))
            << source;
    }
    // Every hint of every window in English: no Japanese left.
    {
        auto form = makeWindow();
        std::vector<QWidget*> windows {form.get()};
        for (QWidget* window :
             {static_cast<QWidget*>(form->windows().RenameReport), static_cast<QWidget*>(form->windows().LogWindow),
              static_cast<QWidget*>(form->windows().ClipWindow)})
            windows.push_back(window);
        for (QWidget* window : windows) {
            for (QWidget* w : window->findChildren<QWidget*>()) {
                EXPECT_FALSE(w->toolTip().contains(QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9FFF}]"))))
                    << w->objectName().toStdString() << ": " << w->toolTip().toStdString();
            }
        }
    }
    QCoreApplication::removeTranslator(&english);
}

}  // namespace
