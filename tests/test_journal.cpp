// The window's rename journal: each pass on disk as it happens, its rows taken out by the log
// window's undo, renames going on when the journal cannot be written; and the log's rows selected
// a pass at a time from the list's menu.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "platform/journal.h"
#include "platform/whole_files.h"
#include "temp_folder.h"
#include "ui/widgets.h"

using namespace moxtal;

namespace {

// XDG_STATE_HOME pointing at a folder of the test, put back afterwards.
class StateHome {
public:
    explicit StateHome(const std::string& path) : m_saved(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(path));
    }
    ~StateHome() { qputenv("XDG_STATE_HOME", m_saved); }

private:
    QByteArray m_saved;
};

// Root writes into a read-only folder: while this lives, the test's thread goes without that power.
class WithoutOverridingModes {
public:
    WithoutOverridingModes()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_dropped = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutOverridingModes()
    {
        if (m_dropped)
            ::syscall(SYS_capset, &m_header, m_saved);
    }

private:
    __user_cap_header_struct m_header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] {};
    bool m_dropped = false;
};

unsigned modeOf(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// A pass of the confirmation dialog: "Do!" with pattern and replacement, then "Rename".
void renamePass(TForm1& form, const char* pattern, const char* replacement)
{
    typeInto(&form, "pattern", pattern);
    typeInto(&form, "RepStr", replacement);
    whenDialogShows(form, [](TRenameReport& report) { clickButton(&report, "Buttonren"); });
    clickButton(&form, "ButtonDoit");
}

// A direct rename: the file clicked in the list, its new base name typed into the name box, Enter.
void renameDirectly(TForm1& form, const std::string& name, const char* base)
{
    const std::vector<std::string> names = listedNames(form);
    clickFile(form, static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin()));
    typeInto(&form, "Edit1", base);
    QTest::keyClick(control<QLineEdit>(&form, "Edit1"), Qt::Key_Return);
}

// Clicks a row of the log, opens the list's menu with the Menu key and picks "Select This Pass"
// with Down and Enter; gives the rows selected then.
std::vector<std::size_t> selectPassOf(TLogWindow& log, int row)
{
    auto* list = control<QTableView>(&log, "ListView1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(row, 0)).center());
    QTest::keyClick(list, Qt::Key_Menu);
    QWidget* menu = QApplication::activePopupWidget();
    if (!menu || menu->objectName() != "PassMenu")
        return {};
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    return selectedRowPositions(list);
}

std::string fileText(const std::string& path)
{
    return readWholeFile(path).value_or("(no file)");
}

using Rows = std::vector<std::size_t>;

class JournalTest : public WindowTest { };

}  // namespace

TEST_F(JournalTest, EachPassGoesToItsFileAndAnUndoTakesItsRowsOut)
{
    TempFolder state, dir;
    const StateHome home(state.path());
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        dir.write(name, name);
    auto form = makeWindow({dir.path()});
    form->show();
    renamePass(*form, "^(a|b)$", "\\1\\1");  // a -> aa, b -> bb
    renameDirectly(*form, "c.txt", "z");
    renamePass(*form, "^aa$", "x");
    TLogWindow& log = *form->windows().LogWindow;
    const std::vector<TLogEntry> rows = log.entries();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].From + ">" + rows[3].To, "aa.txt>x.txt");

    // The journal: a private file per pass, in the CSV of moxtal-cli --log; one for direct renames.
    const std::string journal = state.path() + "/moxtal/";
    const std::string direct = journal + "direct-renames.csv";
    const std::vector<std::string> passes = passFileNames(journal);
    ASSERT_EQ(passes.size(), 2u);
    const std::string first = journal + passes[0], second = journal + passes[1];
    EXPECT_EQ(fileText(first), formatLogCsv({rows[0], rows[1]}, LogColumns::WithIdentity));
    EXPECT_EQ(fileText(direct), formatLogCsv({rows[2]}, LogColumns::WithIdentity));
    EXPECT_EQ(fileText(second), formatLogCsv({rows[3]}, LogColumns::WithIdentity));
    EXPECT_EQ(modeOf(journal), 0700u);
    EXPECT_EQ(modeOf(first), 0600u);
    EXPECT_EQ(modeOf(direct), 0600u);
    EXPECT_EQ(log.windowTitle(), "Rename Log");

    // "Select This Pass" from the Menu key selects the rows of one "Rename" or one direct rename.
    log.show();
    log.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &log; }));
    auto* list = control<QTableView>(&log, "ListView1");
    EXPECT_EQ(contextMenuOf(list->viewport(), QContextMenuEvent::Mouse), "PassMenu");
    list->setFocus();
    EXPECT_EQ(menuOpenedBy([&] { QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier); }), "PassMenu");
    EXPECT_EQ(selectPassOf(log, 1), (Rows {0, 1}));
    EXPECT_EQ(selectPassOf(log, 2), (Rows {2}));
    EXPECT_EQ(selectPassOf(log, 3), (Rows {3}));

    // Undo of the first pass: aa.txt has moved on to x.txt, so only b goes back, and only its row
    // leaves the pass's file.
    EXPECT_EQ(selectPassOf(log, 0), (Rows {0, 1}));
    clickButton(&log, "Undo");
    EXPECT_EQ(log.windowTitle().toStdString(), "Rename Log");
    EXPECT_EQ(dir.read("b.txt"), "b.txt");
    EXPECT_EQ(fileText(first), formatLogCsv({rows[0]}, LogColumns::WithIdentity));
    // Then the direct rename, and the last pass: their files keep only the title.
    EXPECT_EQ(selectPassOf(log, 1), (Rows {1}));
    clickButton(&log, "Undo");
    EXPECT_EQ(selectPassOf(log, 1), (Rows {1}));
    clickButton(&log, "Undo");
    EXPECT_EQ(dir.read("c.txt") + dir.read("aa.txt"), "c.txta.txt");
    EXPECT_EQ(fileText(direct) + fileText(second), "MoxTal rename log\r\nMoxTal rename log\r\n");
    EXPECT_EQ(fileText(first), formatLogCsv({rows[0]}, LogColumns::WithIdentity));
}

TEST_F(JournalTest, RenamesGoOnWhenTheJournalCannotBeWritten)
{
    TempFolder state, dir;
    dir.write("a.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    TLogWindow& log = *form->windows().LogWindow;
    const WithoutOverridingModes asUser;
    const std::string readOnly = state.path() + "/read-only", file = state.write("file");
    ::mkdir(readOnly.c_str(), 0700);
    ::mkdir((readOnly + "/moxtal").c_str(), 0500);
    if (const int probe = ::open((readOnly + "/moxtal/probe").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600); probe >= 0) {
        ::close(probe);
        ::chmod((readOnly + "/moxtal").c_str(), 0700);
        GTEST_SKIP() << "this user writes into a read-only folder";
    }
    struct Case {
        const char* what;
        std::string stateHome;
        std::string title;  // the caption, or its start when the journal is off
    };
    const Case cases[] {
        {"a read-only folder", readOnly, "Rename Log (journal off: cannot create " + readOnly + "/moxtal/pass-"},
        {"a folder that cannot be made", file, "Rename Log (journal off: cannot create " + file + "/moxtal/: "},
        {"the journal back", state.path(), "Rename Log"},
    };
    const char* names[] = {"b", "c", "d"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const StateHome home(cases[i].stateHome);
        renamePass(*form, "^.$", names[i]);
        EXPECT_TRUE(dir.exists(std::string(names[i]) + ".txt")) << cases[i].what;
        EXPECT_EQ(log.entries().size(), i + 1) << cases[i].what;
        const std::string title = log.windowTitle().toStdString();
        const bool off = cases[i].title != "Rename Log";
        EXPECT_EQ(off ? title.substr(0, cases[i].title.size()) : title, cases[i].title) << cases[i].what;
    }
    ::chmod((readOnly + "/moxtal").c_str(), 0700);
    EXPECT_TRUE(passFileNames(readOnly + "/moxtal/").empty());
    EXPECT_EQ(passFileNames(state.path() + "/moxtal/").size(), 1u);
}
