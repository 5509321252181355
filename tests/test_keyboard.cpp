// The windows worked from the keyboard alone: Tab goes round every control, lists included.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/mainwin.h"
#include "browse/folderview.h"
#include "dialogs/confirm_model.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "temp_folder.h"
#include "ui/idle.h"
#include "ui/seams.h"

using namespace moxtal;

namespace {

QString focusName()
{
    const QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QStringLiteral("(nothing)");
}

// The controls Tab (or Shift+Tab) visits from start until the focus is back on it.
QStringList roundFrom(QWidget* start, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    start->setFocus(Qt::OtherFocusReason);
    QStringList visited;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        visited << focusName();
        if (QApplication::focusWidget() == start)
            break;
    }
    return visited;
}

// Presses Tab until the control called name has the focus; false when the round never gets there.
bool tabTo(const QString& name)
{
    for (int i = 0; i < 20 && focusName() != name; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return focusName() == name;
}

QStringList reversed(QStringList names)
{
    std::reverse(names.begin(), names.end() - 1);  // the start stays last
    return names;
}

// Makes window the one that takes the keys. A dialog or the log counts as active for Qt's own wait
// while the main window is (their windows belong to it), so the wait is for the application's
// active window itself.
void activate(QWidget* window)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << window->objectName().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }))
        << window->objectName().toStdString();
}

class KeyboardTest : public WindowTest { };

TEST_F(KeyboardTest, TabGoesRoundEveryWindowAndLeavesItsList)
{
    TempFolder dir;
    dir.write("a.txt");
    dir.write("b.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    activate(form.get());
    std::map<std::string, QStringList> rounds;
    rounds["main"] = roundFrom(control<QLineEdit>(form.get(), "seqstart"));
    rounds["main back"] = roundFrom(control<QLineEdit>(form.get(), "seqstart"), Qt::ShiftModifier);
    EXPECT_EQ(selectedFile(*form), -1);  // Tab through the list selects nothing

    whenDialogShows(*form, [&](TRenameReport& report) {
        activate(&report);
        auto* list = control<QTableView>(&report, "ListView1");
        list->selectAll();  // the buttons for selected rows take part
        rounds["confirm"] = roundFrom(list);
        rounds["confirm back"] = roundFrom(list, Qt::ShiftModifier);
    });
    clickButton(form.get(), "ButtonDoit");

    TLogWindow& log = *form->windows().LogWindow;
    log.AddLogEntry({{"a.txt", "b.txt", dir.path() + "/", std::nullopt}});
    log.show();
    activate(&log);
    control<QTableView>(&log, "ListView1")->selectAll();
    runIdleUpdates();
    rounds["log"] = roundFrom(control<QTableView>(&log, "ListView1"));
    rounds["log back"] = roundFrom(control<QTableView>(&log, "ListView1"), Qt::ShiftModifier);

    const QStringList mainOrder {"seqStep",       "CheckBoxCont", "pattern", "RepStr",      "ButtonDoit", "FolderView1",
                                 "FileListView1", "Extension",    "Edit1",   "CloseButton", "seqstart"};
    const QStringList confirmOrder {"Buttonren", "DelButton", "ToUpper", "ToLower", "ButtonCancel", "ListView1"};
    const QStringList logOrder {"Save", "ButtonDel", "Undo", "ButtonClose", "ListView1"};
    const std::map<std::string, QStringList> expected {
        {"main", mainOrder},       {"main back", reversed(mainOrder)},
        {"confirm", confirmOrder}, {"confirm back", reversed(confirmOrder)},
        {"log", logOrder},         {"log back", reversed(logOrder)}};
    for (const auto& [window, order] : expected)
        EXPECT_EQ(rounds[window].join(' ').toStdString(), order.join(' ').toStdString()) << window;
}

TEST_F(KeyboardTest, EnterClicksTheFocusedButtonOnly)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    auto form = makeWindow({dir.path()});
    form->show();
    typeInto(form.get(), "RepStr", "x\\1");
    activate(form.get());

    struct Step {
        const char* what;
        int selectRow;  // the row selected first, or -1
        const char* focus;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* rows;  // new names (":" result), and whether the dialog closed
    };
    const Step steps[] {
        {"Enter on the list renames nothing", -1, "ListView1", Qt::Key_Return, Qt::NoModifier, "xa.txt xb.txt"},
        {"the keypad's Enter on UpperCase", 0, "ToUpper", Qt::Key_Enter, Qt::KeypadModifier, "XA.TXT xb.txt"},
        {"Return on Remove from List", 1, "DelButton", Qt::Key_Return, Qt::NoModifier, "XA.TXT"},
        {"Return on Rename", -1, "Buttonren", Qt::Key_Return, Qt::NoModifier, "XA.TXT:Ok"},
        {"Return on Close", -1, "ButtonCancel", Qt::Key_Return, Qt::NoModifier, "XA.TXT:Ok closed"},
    };
    whenDialogShows(*form, [&](TRenameReport& report) {
        activate(&report);
        for (const Step& step : steps) {
            if (step.selectRow >= 0)
                control<QTableView>(&report, "ListView1")->selectRow(step.selectRow);
            ASSERT_TRUE(tabTo(step.focus)) << step.what;
            QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
            QStringList rows;
            for (const ConfirmRow& row : report.rows())
                rows << QString::fromStdString(row.newName + (row.result.empty() ? "" : ":") + std::string(row.result));
            if (!report.isVisible())
                rows << "closed";
            EXPECT_EQ(rows.join(' ').toStdString(), step.rows) << step.what;
        }
    });
    // "Do!" reached with Tab from the replacement box opens the dialog on Enter.
    control<QWidget>(form.get(), "RepStr")->setFocus();
    ASSERT_TRUE(tabTo("ButtonDoit"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dir.read("XA.TXT"), "A");
    EXPECT_EQ(dir.read("b.txt"), "B");
}

TEST_F(KeyboardTest, MenuKeysOpenTheMenuARightClickOpens)
{
    TempFolder dir;
    dir.write("a.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    activate(form.get());
    struct Row {
        const char* control;
        QWidget* clicked;  // where a right click on the control lands
        const char* menu;
    };
    const Row rows[] {
        {"FileListView1", control<QAbstractScrollArea>(form.get(), "FileListView1")->viewport(), "PopupMenu1"},
        {"FolderView1", control<QAbstractScrollArea>(form.get(), "FolderView1")->viewport(), "PopupMenu1"},
        {"ButtonDoit", control<QWidget>(form.get(), "ButtonDoit"), "PopupMenu1"},
        {"pattern", control<QComboBox>(form.get(), "pattern")->lineEdit(), "PopupMenu3"},
        {"RepStr", control<QComboBox>(form.get(), "RepStr")->lineEdit(), "PopupMenu4"},
    };
    for (const Row& row : rows) {
        const QString rightClick = contextMenuOf(row.clicked, QContextMenuEvent::Mouse);
        control<QWidget>(form.get(), row.control)->setFocus();
        const QString shiftF10 =
            menuOpenedBy([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10, Qt::ShiftModifier); });
        const QString menuKey = menuOpenedBy([] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Menu); });
        EXPECT_EQ((QStringList {rightClick, shiftF10, menuKey}).join(' ').toStdString(),
                  QString("%1 %1 %1").arg(row.menu).toStdString())
            << row.control;
    }
}

TEST_F(KeyboardTest, KeysOfTheFileListAndTheDialog)
{
    TempFolder dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        dir.write(name);
    auto form = makeWindow({dir.path()});
    form->show();
    activate(form.get());
    control<QWidget>(form.get(), "FolderView1")->setFocus();
    ASSERT_TRUE(tabTo("FileListView1"));
    dir.write("e.txt");  // seen after F5 only

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* files;  // the list's base names, then the name box
    };
    const Step steps[] {
        {Qt::Key_Down, Qt::NoModifier, "a b c d | b"},
        {Qt::Key_End, Qt::NoModifier, "a b c d | d"},
        {Qt::Key_Home, Qt::NoModifier, "a b c d | a"},
        {Qt::Key_PageDown, Qt::NoModifier, "a b c d | d"},
        {Qt::Key_PageUp, Qt::NoModifier, "a b c d | a"},
        {Qt::Key_Down, Qt::NoModifier, "a b c d | b"},
        {Qt::Key_Down, Qt::ControlModifier, "a c b d | b"},
        {Qt::Key_Up, Qt::ControlModifier, "a b c d | b"},
        {Qt::Key_Up, Qt::ControlModifier, "b a c d | b"},
        {Qt::Key_Up, Qt::ControlModifier, "b a c d | b"},  // already first
        {Qt::Key_F5, Qt::NoModifier, "a b c d e | "},
    };
    for (const Step& step : steps) {
        const QString pressed = QKeySequence(step.key | step.modifiers).toString();
        QTest::keyClick(QApplication::focusWidget(), step.key, step.modifiers);
        QStringList files;
        for (const std::string& name : listedNames(*form))
            files << QString::fromStdString(name.substr(0, name.find('.')));
        files << "|" << control<QLineEdit>(form.get(), "Edit1")->text();
        EXPECT_EQ(files.join(' ').toStdString(), step.files) << pressed.toStdString();
        EXPECT_EQ(focusName(), "FileListView1") << pressed.toStdString();  // the list keeps the focus
    }

    // Delete in the dialog removes the selected rows, as "Remove from List" does; the Menu key and
    // Shift+F10 open the rows' menu.
    typeInto(form.get(), "RepStr", "x\\1");
    std::vector<std::size_t> left;
    QStringList rowMenus;
    whenDialogShows(*form, [&](TRenameReport& report) {
        activate(&report);
        auto* list = control<QTableView>(&report, "ListView1");
        list->setFocus();
        list->selectRow(1);
        QTest::keyClick(list, Qt::Key_Delete);
        left.push_back(report.rows().size());
        QTest::keyClick(list, Qt::Key_Delete);  // nothing selected now
        left.push_back(report.rows().size());
        rowMenus << menuOpenedBy([&] { QTest::keyClick(list, Qt::Key_Menu); })
                 << menuOpenedBy([&] { QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier); });
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(left, (std::vector<std::size_t> {4, 4}));
    EXPECT_EQ(rowMenus, (QStringList {"rowMenu", "rowMenu"}));
}

}  // namespace
