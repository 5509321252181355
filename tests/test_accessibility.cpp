#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include "clipboard/clipwin.h"
#include "dialogs/confirm_model.h"
#include "dialogs/historywin.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "temp_folder.h"
#include "ui/contrast.h"
#include "ui/seams.h"

using namespace moxtal;

namespace {

// What a screen reader reads as the control's name.
QString accessibleName(QWidget* control)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    return face ? face->text(QAccessible::Name) : QString();
}

// The controls a user works with: buttons, boxes and lists that carry a name of their own.
QList<QWidget*> controlsOf(QWidget* window)
{
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                             qobject_cast<QPlainTextEdit*>(w);
        if (control && !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            out << w;
    }
    return out;
}

// A dark palette as desktops set one (Breeze Dark's colours).
QPalette darkPalette()
{
    QPalette p;
    const QColor window(49, 54, 59), base(35, 38, 41), text(252, 252, 252);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, window);
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::Button, window);
        p.setColor(g, QPalette::ButtonText, text);
        p.setColor(g, QPalette::Highlight, QColor(61, 174, 233));
        p.setColor(g, QPalette::HighlightedText, text);
    }
    return p;
}

class AccessibilityTest : public WindowTest {
protected:
    // A folder where "Do!" with the job below marks the first two rows as refused: each new name
    // belongs to the file of the next row.
    static void fillRefusedFolder(const TempFolder& dir)
    {
        for (const char* name : {"photo_001.jpg", "photo_002.jpg", "photo_003.jpg"})
            dir.write(name, name);
    }
    static std::unique_ptr<TForm1> refusedJob(const TempFolder& dir)
    {
        auto form = makeWindow({dir.path()});
        form->show();
        typeInto(form.get(), "pattern", "(.*)");
        typeInto(form.get(), "RepStr", "photo_\\\\\\");
        typeInto(form.get(), "seqstart", "2");
        return form;
    }
};

TEST_F(AccessibilityTest, EveryControlHasANameOfItsOwn)
{
    auto form = makeWindow();
    form->show();
    Windows windows = form->windows();
    struct Case {
        QWidget* window;
        const char* control;
        const char* name;
    };
    const Case cases[] = {
        {form.get(), "seqstart", "Start"},
        {form.get(), "seqStep", "Step"},
        {form.get(), "CheckBoxCont", "Continious"},
        {form.get(), "pattern", "Pattern"},
        {form.get(), "RepStr", "Replacement"},
        {form.get(), "Loadpeset", "Load Preset"},
        {form.get(), "ButtonDoit", "Do!"},
        {form.get(), "FolderView1", "Folders"},
        {form.get(), "FileListView1", "Files"},
        {form.get(), "Extension", "Filter"},
        {form.get(), "Edit1", "Name"},
        {form.get(), "SpeedButton1", "Move Up"},
        {form.get(), "SpeedButton2", "Move Down"},
        {form.get(), "CloseButton", "Close"},
        {windows.ClipWindow, "pattern", "Pattern"},
        {windows.ClipWindow, "RepStr", "Replacement"},
        {windows.ClipWindow, "LogFrom", "Copied text"},
        {windows.ClipWindow, "LogTo", "Result"},
        {windows.ClipWindow, "SpeedButton1", "Retry"},
        {windows.LogWindow, "ListView1", "Renames"},
        {windows.RenameReport, "ListView1", "Renames"},
        {windows.History, "Memo1", "History"},
    };
    // Names stay when the boxes' texts change.
    typeInto(form.get(), "pattern", "^IMG_(.*)");
    typeInto(form.get(), "seqstart", "7");
    QTest::keyClicks(control<QComboBox>(windows.ClipWindow, "LogFrom")->lineEdit(), "copied");
    for (const Case& c : cases) {
        auto* named = control<QWidget>(c.window, c.control);
        EXPECT_EQ(accessibleName(named), QString::fromUtf8(c.name)) << c.control;
        if (auto* box = qobject_cast<QComboBox*>(named)) {
            EXPECT_EQ(accessibleName(box->lineEdit()), QString::fromUtf8(c.name)) << c.control;
        }
    }
    // And none is left without one, or named by the frame around it.
    for (QWidget* window : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(windows.ClipWindow),
                            static_cast<QWidget*>(windows.LogWindow), static_cast<QWidget*>(windows.RenameReport),
                            static_cast<QWidget*>(windows.History)}) {
        for (QWidget* control : controlsOf(window)) {
            const QString name = accessibleName(control);
            EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
            EXPECT_NE(name, "SequenceNo.") << control->objectName().toStdString();
        }
    }
}

TEST_F(AccessibilityTest, TheKeyboardReachesTheReasonOfARefusedRow)
{
    TempFolder dir;
    fillRefusedFolder(dir);
    auto form = refusedJob(dir);
    QStringList lines, descriptions;
    bool lineShown = false;
    whenDialogShows(*form, [&](TRenameReport& report) {
        auto* list = report.findChild<QTableView*>("ListView1");
        auto* line = report.findChild<QLabel*>("reasonLine");
        ASSERT_TRUE(list && line);
        lineShown = line->isVisible();
        EXPECT_FALSE(line->focusPolicy() & Qt::TabFocus);  // the dialog's Tab order stays as it was
        list->setFocus();
        // Ctrl+Home goes to the first row, Down to the next; each row's reason follows the current row.
        for (int row = 0; row < 3; ++row) {
            QTest::keyClick(list, row == 0 ? Qt::Key_Home : Qt::Key_Down,
                            row == 0 ? Qt::ControlModifier : Qt::NoModifier);
            lines << line->text();
            const QModelIndex current = list->currentIndex();
            descriptions << current.data(Qt::AccessibleDescriptionRole).toString();
            EXPECT_EQ(current.row(), row);
        }
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_TRUE(lineShown);
    const QString later = "The new name belongs to a file that row %1 renames later.";
    const QStringList expected {later.arg(2) + " In the reverse list order this row would succeed: sort the file list "
                                               "the other way before \"Do!\".",
                                later.arg(3) + " In the reverse list order this row would succeed: sort the file list "
                                               "the other way before \"Do!\".",
                                ""};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(descriptions, expected);

    // A job without a refused row keeps the designed layout: no line under the list.
    typeInto(form.get(), "RepStr", "new_\\1");
    whenDialogShows(*form,
                    [&](TRenameReport& report) { lineShown = report.findChild<QLabel*>("reasonLine")->isVisible(); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_FALSE(lineShown);
}

TEST(Contrast, RatiosAsTheGuidelinesMeasureThem)
{
    struct Case {
        const char* name;
        QColor a, b;
        double ratio;
    };
    const Case cases[] = {
        {"black on white", Qt::black, Qt::white, 21.0},
        {"the same colour", QColor(120, 30, 200), QColor(120, 30, 200), 1.0},
        {"order does not count", Qt::white, Qt::black, 21.0},
        {"grey 777 on white", QColor(0x77, 0x77, 0x77), Qt::white, 4.48},
        {"near-white on pale amber", QColor(252, 252, 252), QColor(255, 236, 179), 1.14},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(contrastRatio(c.a, c.b), c.ratio, 0.01) << c.name;
}

TEST_F(AccessibilityTest, RefusedRowsReadUnderLightAndDarkPalettes)
{
    TempFolder dir;
    fillRefusedFolder(dir);
    auto form = refusedJob(dir);
    const QPalette kept = QApplication::palette();
    struct Case {
        const char* name;
        QPalette palette;
    };
    const Case cases[] = {{"light", QApplication::style()->standardPalette()}, {"dark", darkPalette()}};
    for (const Case& c : cases) {
        QApplication::setPalette(c.palette);
        whenDialogShows(*form, [&](TRenameReport& report) {
            const ConfirmRowModel& m = *report.model();
            for (int r = 0; r < m.rowCount(); ++r) {
                for (int column = 0; column < ConfirmRowModel::ColumnCount; ++column) {
                    const QModelIndex cell = m.index(r, column);
                    const QVariant background = m.data(cell, Qt::BackgroundRole);
                    const QVariant text = m.data(cell, Qt::ForegroundRole);
                    // A colour set on one side only would meet the palette's on the other.
                    EXPECT_EQ(background.isValid(), text.isValid()) << c.name << " row " << r;
                    const QColor back =
                        background.isValid() ? background.value<QColor>() : c.palette.color(QPalette::Base);
                    const QColor fore = text.isValid() ? text.value<QColor>() : c.palette.color(QPalette::Text);
                    EXPECT_GE(contrastRatio(fore, back), 4.5) << c.name << " row " << r << " column " << column;
                }
            }
            EXPECT_TRUE(m.refused(0));  // a tinted row was among them
            EXPECT_TRUE(m.data(m.index(0, 0), Qt::BackgroundRole).isValid());
        });
        clickButton(form.get(), "ButtonDoit");
    }
    QApplication::setPalette(kept);
}

}  // namespace
