#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidgetItem>

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "app/application.h"
#include "app/windows.h"
#include "browse/folderview.h"
#include "clipboard/clipwin.h"
#include "dialogs/confirm_model.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "gui_helpers.h"
#include "platform/file_icons.h"
#include "platform/listing_threads.h"
#include "platform/opener.h"
#include "temp_folder.h"
#include "ui/clipboard_text.h"
#include "ui/combo_history.h"
#include "ui/fonts.h"
#include "ui/idle.h"
#include "ui/long_work.h"
#include "ui/seams.h"
#include "ui/widgets.h"

using namespace moxtal;

namespace {

using Names = std::vector<std::string>;

// A fixed folder tree: "/" with /data and /data/Photos, /data/photos, /empty; /unreadable fails.
class FakeFolderSource : public FolderSource {
public:
    std::vector<FolderItem> drives() const override { return {{"/", "/", false}, {"usb", "/media/usb", true}}; }
    std::optional<std::vector<FolderItem>> subfolders(const std::string& path, const ListingProgress&) const override
    {
        ++reads[path];
        if (path == "/unreadable")
            return std::nullopt;
        std::vector<FolderItem> out;
        for (const auto& [child, name] : tree) {
            if (parentOf(child) == path)
                out.push_back({name, child, false});
        }
        return out;
    }
    std::optional<std::vector<char>> haveSubfolders(const std::string&, const std::vector<FolderItem>& children,
                                                    const ListingProgress&) const override
    {
        std::vector<char> have;
        for (const FolderItem& child : children)
            have.push_back(
                std::any_of(tree.begin(), tree.end(), [&](const auto& e) { return parentOf(e.first) == child.path; }));
        return have;
    }
    static std::string parentOf(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        return slash == 0 ? "/" : path.substr(0, slash);
    }

    std::vector<std::pair<std::string, std::string>> tree {{"/data", "data"},
                                                           {"/data/photos", "photos"},
                                                           {"/data/Photos", "Photos"},
                                                           {"/data/Photos/2024", "2024"},
                                                           {"/empty", "empty"},
                                                           {"/unreadable", "unreadable"},
                                                           {"/System Volume Information", "System Volume Information"},
                                                           {"/System Volume Information/x", "x"},
                                                           {"/media/usb/docs", "docs"}};
    mutable std::map<std::string, int> reads;
};

void selectFirstRow(TRenameReport& report)
{
    control<QTableView>(&report, "ListView1")->selectRow(0);
}

class MainWindowTest : public WindowTest {
protected:
    // The window shown on folder with a pattern and a replacement typed in.
    static std::unique_ptr<TForm1> windowWithJob(const std::string& folder, const char* pattern,
                                                 const char* replacement)
    {
        auto form = makeWindow({folder});
        form->show();
        typeInto(form.get(), "pattern", pattern);
        typeInto(form.get(), "RepStr", replacement);
        return form;
    }
};

TEST_F(MainWindowTest, StartUpOnAFolderListsIt)
{
    TempFolder dir;
    dir.write("b.jpg");
    dir.write("a.jpg");
    auto form = makeWindow({dir.path()});
    EXPECT_EQ(form->windowTitle(), "Mox-Tal");
    EXPECT_FALSE(form->shown());
    form->show();
    EXPECT_TRUE(form->shown());
    EXPECT_EQ(form->directory(), dir.path());
    EXPECT_EQ(listedNames(*form), (Names {"a.jpg", "b.jpg"}));
    EXPECT_FALSE(form->windows().LogWindow->isVisible());
    EXPECT_EQ(form->windows().LogWindow->windowTitle(), "Rename Log");
    EXPECT_EQ(form->windows().RenameReport->windowTitle(), "Confirm");
}

TEST_F(MainWindowTest, CommandLineArgumentForms)
{
    TempFolder dir;
    dir.write("photo.jpg");
    ::mkdir(dir.file(".secret").c_str(), 0755);
    dir.write(".secret/x.jpg");

    auto fromFile = makeWindow({dir.file("photo.jpg")});
    fromFile->show();
    EXPECT_EQ(fromFile->directory(), dir.path());
    EXPECT_EQ(listedNames(*fromFile), (Names {"photo.jpg"}));

    auto missingFile = makeWindow({dir.file("nothing.jpg")});
    missingFile->show();
    EXPECT_EQ(missingFile->directory(), dir.path());

    for (const std::string& ignored : {dir.file("no/such/file"), dir.file(".secret")}) {
        auto form = makeWindow({ignored});
        form->show();
        EXPECT_EQ(form->directory(), "") << ignored;
        EXPECT_TRUE(listedNames(*form).empty()) << ignored;
    }
}

TEST_F(MainWindowTest, DoRenamesWithNumberingAndContinues)
{
    TempFolder dir;
    dir.write("b.jpg", "B");
    dir.write("a.jpg", "A");
    dir.write("c.txt", "C");
    auto form = makeWindow({dir.path()});
    form->show();
    typeInto(form.get(), "Extension", "*.jpg");
    typeInto(form.get(), "RepStr", "IMG_\\\\\\");
    typeInto(form.get(), "seqstart", "7");
    clickButton(form.get(), "CheckBoxCont");
    Names shownResults;
    whenDialogShows(*form, [&](TRenameReport& report) {
        EXPECT_TRUE(control<QPushButton>(&report, "Buttonren")->isEnabled());
        control<QPushButton>(&report, "Buttonren")->click();
        EXPECT_FALSE(control<QPushButton>(&report, "Buttonren")->isEnabled());  // once per showing
        QCoreApplication::processEvents();
        EXPECT_EQ(form->windowTitle(), "Mox-Tal");  // the pass's own renames are no change on disk
        for (const ConfirmRow& row : report.rows())
            shownResults.push_back(row.newName + "|" + std::string(row.result));
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(shownResults, (Names {"IMG_007.jpg|Ok", "IMG_008.jpg|Ok"}));
    EXPECT_EQ(dir.read("IMG_007.jpg"), "A");
    EXPECT_EQ(control<QLineEdit>(form.get(), "seqstart")->text(), "9");
    EXPECT_EQ(listedNames(*form), (Names {"IMG_007.jpg", "IMG_008.jpg"}));
    ASSERT_EQ(control<QComboBox>(form.get(), "pattern")->count(), 1);
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->itemText(0), "(.*)");
    EXPECT_EQ(control<QComboBox>(form.get(), "RepStr")->itemText(0), "IMG_\\\\\\");
    const std::vector<TLogEntry>& log = form->windows().LogWindow->entries();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].From, "a.jpg");
    EXPECT_EQ(log[0].To, "IMG_007.jpg");
    EXPECT_EQ(log[0].Folder, dir.path() + "/");
}

TEST_F(MainWindowTest, ContinuousKeepsTheStartWhenTheNextNumberDoesNotFit)
{
    TempFolder dir;
    dir.write("a.jpg");
    dir.write("b.jpg");
    auto form = windowWithJob(dir.path(), "(.*)", "x\\\\");
    clickButton(form.get(), "CheckBoxCont");
    typeInto(form.get(), "seqstart", "2147483646");
    whenDialogShows(*form, [](TRenameReport& report) { report.findChild<QPushButton*>("Buttonren")->click(); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(listedNames(*form), (Names {"x2147483646.jpg", "x2147483647.jpg"}));
    EXPECT_EQ(control<QLineEdit>(form.get(), "seqstart")->text(), "2147483646");
}

TEST_F(MainWindowTest, BoxesNeverCompleteFromTheirHistory)
{
    TempFolder dir;
    auto form = makeWindow({dir.path()});
    form->show();
    for (const char* name : {"pattern", "RepStr"}) {
        auto* box = control<QComboBox>(form.get(), name);
        box->addItem(QStringLiteral("\\1 - \\3 (\\2)"));
        box->setEditText(QString());
        form->activateWindow();
        box->lineEdit()->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClicks(box->lineEdit(), QStringLiteral("\\1"));
        EXPECT_EQ(box->currentText(), QStringLiteral("\\1")) << name;
    }
}

TEST_F(MainWindowTest, ClosingWithoutRenameChangesNothing)
{
    TempFolder dir;
    dir.write("a.jpg");
    auto form = makeWindow({dir.path()});
    form->show();
    typeInto(form.get(), "RepStr", "x");
    clickButton(form.get(), "CheckBoxCont");
    typeInto(form.get(), "seqstart", "3");
    whenDialogShows(*form, [](TRenameReport& report) { EXPECT_EQ(report.rows().size(), 1u); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_FALSE(form->windows().RenameReport->renameDone());
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->count(), 0);
    EXPECT_EQ(control<QLineEdit>(form.get(), "seqstart")->text(), "3");
    EXPECT_TRUE(dir.exists("a.jpg"));
}

TEST_F(MainWindowTest, FailedRenameBesideSuccessfulOne)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    auto form = windowWithJob(dir.path(), "^a$", "b");
    Names results;
    whenDialogShows(*form, [&](TRenameReport& report) {
        std::vector<ConfirmRow> rows = report.rows();
        rows.push_back({"b.txt", "c.txt", "Replace", 0, ""});
        report.setPlan({dir.path(), std::nullopt, rows, nullptr});
        control<QPushButton>(&report, "Buttonren")->click();
        for (const ConfirmRow& row : report.rows())
            results.emplace_back(row.result);
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(results, (Names {"Failed", "Ok"}));
    EXPECT_EQ(dir.read("a.txt"), "A");
    EXPECT_EQ(dir.read("c.txt"), "B");
}

TEST_F(MainWindowTest, TheDialogMarksRowsThePassWillRefuse)
{
    TempFolder dir;
    for (const char* name : {"photo_001.jpg", "photo_002.jpg", "photo_003.jpg"})
        dir.write(name, name);
    auto form = windowWithJob(dir.path(), "(.*)", "photo_\\\\\\");
    typeInto(form.get(), "seqstart", "2");
    struct Seen {
        std::vector<bool> marked;
        QStringList tips;
    };
    auto seen = [](const ConfirmRowModel& m) {
        Seen out;
        for (int r = 0; r < m.rowCount(); ++r) {
            out.marked.push_back(m.data(m.index(r, ConfirmRowModel::NewColumn), Qt::BackgroundRole).isValid() &&
                                 !m.data(m.index(r, ConfirmRowModel::NewColumn), Qt::DecorationRole).isNull());
            out.tips << m.data(m.index(r, ConfirmRowModel::StatusColumn), Qt::ToolTipRole).toString();
        }
        return out;
    };
    Seen filled, edited, removed, renamed;
    QStringList words;
    int oldWidth = 0, widened = 0;
    whenDialogShows(*form, [&](TRenameReport& report) {
        ConfirmRowModel& m = *report.model();
        filled = seen(m);
        EXPECT_EQ(m.data(m.index(0, ConfirmRowModel::OldColumn), Qt::ToolTipRole).toString().left(13), "photo_001.jpg");
        EXPECT_EQ(control<QTableView>(&report, "ListView1")->textElideMode(), Qt::ElideMiddle);
        oldWidth = control<QTableView>(&report, "ListView1")->columnWidth(ConfirmRowModel::OldColumn);
        report.resize(report.width() + 200, report.height());
        QCoreApplication::processEvents();
        widened = control<QTableView>(&report, "ListView1")->columnWidth(ConfirmRowModel::OldColumn);
        // An edited "Old" cell: a file that is not there.
        m.setData(m.index(2, ConfirmRowModel::OldColumn), QStringLiteral("nothing.jpg"), Qt::EditRole);
        edited = seen(m);
        m.setData(m.index(2, ConfirmRowModel::OldColumn), QStringLiteral("photo_003.jpg"), Qt::EditRole);
        control<QTableView>(&report, "ListView1")->selectRow(2);
        control<QPushButton>(&report, "DelButton")->click();  // photo_003 stays: row 2 now meets a file no row renames
        removed = seen(m);
        control<QPushButton>(&report, "Buttonren")->click();
        renamed = seen(m);
        for (const ConfirmRow& row : report.rows())
            words << QString::fromStdString(std::string(row.result));
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(filled.marked, (std::vector<bool> {true, true, false}));
    EXPECT_EQ(filled.tips[0], "The new name belongs to a file that row 2 renames later. In the reverse list order "
                              "this row would succeed: sort the file list the other way before \"Do!\".");
    EXPECT_GE(oldWidth, 120);
    EXPECT_GT(widened, oldWidth);
    EXPECT_EQ(edited.tips[2], "No file has the old name.");
    EXPECT_EQ(removed.tips[1], "The new name belongs to a file that is not renamed.");
    EXPECT_EQ(words, (QStringList {"Failed", "Failed"}));
    EXPECT_EQ(renamed.marked, (std::vector<bool> {false, false}));  // the result words speak now
    EXPECT_EQ(renamed.tips[0], "Failed: File exists");
    EXPECT_EQ(dir.read("photo_001.jpg"), "photo_001.jpg");

    // A file made after the listing is seen: the folder changed, so its names are read again (the
    // folder's time set back, so that the listing counts it as settled and keeps its names).
    dir.setTime("", 1000000000);
    triggerAction(form.get(), "RefreshList1");
    dir.write("photo_004.jpg", "made later");
    whenDialogShows(*form, [&](TRenameReport& report) { filled = seen(*report.model()); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(filled.tips[2], "The new name belongs to a file that is not renamed.");
}

TEST_F(MainWindowTest, AListChangedOnDiskSaysSoUntilListedAgain)
{
    TempFolder dir;
    dir.write("a.txt");
    dir.write("b.txt");
    dir.setTime("", 1000000000);  // long unchanged: the listing's names would serve the dialog
    auto form = windowWithJob(dir.path(), "(.*)", "x_\\1");
    auto* list = control<QTableView>(form.get(), "FileListView1");
    const QString hint =
        "The folder changed on disk since it was listed: press F5 (\"Refresh FileList\") to list it again.";
    // Another program removes one file and makes another, and leaves the folder's time as it was.
    ::unlink(dir.file("a.txt").c_str());
    dir.write("c.txt");
    dir.setTime("", 1000000000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->windowTitle() != "Mox-Tal"; }));
    EXPECT_EQ(form->windowTitle(), "Mox-Tal (changed on disk: press F5)");
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), list->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(QToolTip::text(), hint);
    EXPECT_EQ(listedNames(*form), (Names {"a.txt", "b.txt"}));  // nothing relisted behind the user's back

    QStringList tips;
    whenDialogShows(*form, [&](TRenameReport& report) {
        const ConfirmRowModel& m = *report.model();
        for (int r = 0; r < m.rowCount(); ++r)
            tips << m.data(m.index(r, ConfirmRowModel::StatusColumn), Qt::ToolTipRole).toString();
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(tips, (QStringList {"No file has the old name.", ""}));

    triggerAction(form.get(), "RefreshList1");  // F5
    EXPECT_EQ(form->windowTitle(), "Mox-Tal");
    EXPECT_EQ(list->toolTip(), "");
    EXPECT_EQ(listedNames(*form), (Names {"b.txt", "c.txt"}));
}

TEST_F(MainWindowTest, AnEditedOldCellChoosesTheFileRenamed)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    auto form = windowWithJob(dir.path(), "^a$", "x");
    whenDialogShows(*form, [&](TRenameReport& report) {
        ConfirmRowModel& m = *report.model();
        ASSERT_EQ(m.rowCount(), 1);  // a.txt -> x.txt
        m.setData(m.index(0, ConfirmRowModel::OldColumn), QStringLiteral("b.txt"), Qt::EditRole);
        control<QPushButton>(&report, "Buttonren")->click();
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(dir.read("x.txt"), "B");
    EXPECT_EQ(dir.read("a.txt"), "A");
    EXPECT_FALSE(dir.exists("b.txt"));
}

TEST_F(MainWindowTest, LongWorkCanBeCancelled)
{
    TempFolder dir;
    for (int i = 0; i < 600; ++i)
        dir.write("f" + std::to_string(1000 + i) + ".txt", "x");
    auto form = makeWindow({dir.path()});
    form->show();
    ASSERT_EQ(listedNames(*form).size(), 600u);
    // A cancelled listing leaves the list empty, as for a folder that cannot be read.
    LongWork::setTestCancelAt(1);
    triggerAction(form.get(), "RefreshList1");
    EXPECT_TRUE(listedNames(*form).empty());
    LongWork::setTestCancelAt(std::nullopt);
    triggerAction(form.get(), "RefreshList1");
    ASSERT_EQ(listedNames(*form).size(), 600u);

    // The real progress dialog: Escape cancels, as its "Cancel" does.
    {
        struct RealDialogs {
            RealDialogs() { MessageBox::setTestMode(false), LongWork::setTestDialogAtOnce(true); }
            ~RealDialogs() { MessageBox::setTestMode(true), LongWork::setTestDialogAtOnce(false); }
        } realDialogs;
        LongWork work(form.get(), QStringLiteral("Listing: %1 entries"));
        EXPECT_TRUE(work.step(1));
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog, &escape);
        EXPECT_FALSE(work.step(2));
        EXPECT_FALSE(work.await([] {}, 2));  // the work runs to its end; its result is dropped
        // A wait without "Cancel" (work that must end what the user already did) keeps its dialog.
        LongWork kept(form.get(), QStringLiteral("Checking"), std::nullopt, LongWork::Cancel::NotOffered);
        bool ran = false;
        EXPECT_TRUE(kept.await([&] { ran = true; }, 1));
        EXPECT_TRUE(ran);
        dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QPushButton*>(), nullptr);
        QApplication::sendEvent(dialog, &escape);
        EXPECT_TRUE(kept.step(2));
    }

    // A cancelled pass stops after the current row: the rest get no result, the done stay logged.
    typeInto(form.get(), "pattern", "^(f100[0-2])$");
    typeInto(form.get(), "RepStr", "g\\1");
    std::vector<std::string> words;
    whenDialogShows(*form, [&](TRenameReport& report) {
        LongWork::setTestCancelAt(2);
        control<QPushButton>(&report, "Buttonren")->click();
        LongWork::setTestCancelAt(std::nullopt);
        for (const ConfirmRow& row : report.rows())
            words.emplace_back(row.result);
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(words, (Names {"Ok", "Ok", ""}));
    EXPECT_EQ(form->windows().LogWindow->entries().size(), 2u);
    EXPECT_TRUE(dir.exists("gf1001.txt"));
    EXPECT_TRUE(dir.exists("f1002.txt"));
}

TEST_F(MainWindowTest, ACancelledJobIsAsNeverStarted)
{
    // "Cancel" while the new names are proposed, and while they are checked against the folder.
    for (const std::size_t cancelAt : {0u, 1u}) {
        TempFolder dir;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            dir.write(name);
        auto form = windowWithJob(dir.path(), "(.*)", "x\\\\");
        clickButton(form.get(), "CheckBoxCont");
        const auto shownRows = [&] {
            Names rows;
            for (const ConfirmRow& row : form->windows().RenameReport->rows())
                rows.push_back(row.oldName + ">" + row.newName);
            return rows;
        };
        whenDialogShows(*form, [](TRenameReport&) {});
        clickButton(form.get(), "ButtonDoit");
        const Names before = shownRows();
        typeInto(form.get(), "pattern", "(a)");
        whenDialogShows(*form, [](TRenameReport&) { ADD_FAILURE() << "the dialog opened"; });
        LongWork::setTestCancelAt(cancelAt);
        clickButton(form.get(), "ButtonDoit");
        LongWork::setTestCancelAt(std::nullopt);
        EXPECT_EQ(pendingDialogHandlers(), 1) << cancelAt;
        EXPECT_EQ(shownRows(), before) << cancelAt;
        EXPECT_EQ(control<QLineEdit>(form.get(), "seqstart")->text(), "0") << cancelAt;
        EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->count(), 0) << cancelAt;
        EXPECT_EQ(listedNames(*form), (Names {"a.jpg", "b.jpg", "c.jpg"})) << cancelAt;
    }
}

TEST_F(MainWindowTest, TheProgressBarShowsHowFarTheWorkGot)
{
    struct Case {
        const char* name;
        std::size_t count, total;
        double fraction;
    };
    const Case cases[] = {
        {"a third", 32420, 100000, 0.3242},
        {"none yet", 0, 100000, 0.0},
        {"all", 100000, 100000, 1.0},
        {"past the int range", 3000000000u, 6000000000u, 0.5},
        {"counted past the total", 12, 10, 1.0},
    };
    for (const Case& c : cases) {
        const BarPosition bar = barPosition(c.count, c.total);
        ASSERT_GT(bar.maximum, 0) << c.name;
        EXPECT_NEAR(static_cast<double>(bar.value) / bar.maximum, c.fraction, 1e-6) << c.name;
    }

    // The real dialog of a pass over 100,000 rows, opened at once.
    auto form = makeWindow();
    form->show();
    struct RealDialogs {
        RealDialogs()
        {
            MessageBox::setTestMode(false);
            LongWork::setTestDialogAtOnce(true);
        }
        ~RealDialogs()
        {
            LongWork::setTestDialogAtOnce(false);
            MessageBox::setTestMode(true);
        }
    } realDialogs;
    LongWork work(form.get(), QStringLiteral("Renaming: %1 of 100000"), std::size_t {100000});
    EXPECT_TRUE(work.step(32420));
    auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* bar = dialog->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(dialog->labelText(), "Renaming: 32420 of 100000");
    EXPECT_NEAR(static_cast<double>(bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum()), 0.3242, 1e-9);
    EXPECT_TRUE(form->screen()->availableGeometry().contains(dialog->frameGeometry()));
}

TEST_F(MainWindowTest, AFolderPutAtTheListedPathGetsNoRename)
{
    TempFolder top;
    const std::string folder = top.file("photos");
    ::mkdir(folder.c_str(), 0755);
    top.write("photos/a.txt", "listed");
    auto form = makeWindow({folder});
    form->show();
    typeInto(form.get(), "RepStr", "x\\1");
    // Between the listing and "Rename" the folder moves away and another takes its path.
    ::rename(folder.c_str(), top.file("moved").c_str());
    ::mkdir(folder.c_str(), 0755);
    top.write("photos/a.txt", "newcomer");
    Names results;
    whenDialogShows(*form, [&](TRenameReport& report) {
        control<QPushButton>(&report, "Buttonren")->click();
        for (const ConfirmRow& row : report.rows())
            results.emplace_back(row.result);
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(results, Names {"Failed"});
    EXPECT_EQ(top.read("photos/a.txt"), "newcomer");
    EXPECT_EQ(top.read("moved/a.txt"), "listed");
    EXPECT_TRUE(form->windows().LogWindow->entries().empty());
}

TEST_F(MainWindowTest, TheDialogRenamesInTheFolderOfItsPlan)
{
    // The folder tree moving on while the dialog shows changes neither its marks nor its pass.
    TempFolder dir, other;
    dir.write("a.txt", "A");
    other.write("b.txt", "other");
    auto form = windowWithJob(dir.path(), "^a$", "b");
    Names marks;
    whenDialogShows(*form, [&](TRenameReport& report) {
        control<TFolderView>(form.get(), "FolderView1")->SetDirectory(other.path());
        control<QTableView>(&report, "ListView1")->selectRow(0);
        control<QPushButton>(&report, "ToLower")->click();  // the marks are made anew
        marks.push_back(report.model()->reason(0).toStdString());
        control<QPushButton>(&report, "Buttonren")->click();
    });
    control<QPushButton>(form.get(), "ButtonDoit")->click();
    EXPECT_EQ(marks, Names {""});
    EXPECT_EQ(dir.read("b.txt"), "A");
    EXPECT_EQ(other.read("b.txt"), "other");
}

TEST_F(MainWindowTest, ErrorsShowMessageAndNoDialog)
{
    TempFolder dir;
    dir.write("a.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    // Were the dialog to open, this closes it, so that the test fails instead of hanging.
    bool opened = false;
    whenDialogShows(*form, [&](TRenameReport&) { opened = true; });
    typeInto(form.get(), "pattern", "(");
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"missing closing parenthesis"});
    typeInto(form.get(), "pattern", "(.*)");
    typeInto(form.get(), "seqstart", "x1");
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"'x1' は整数ではありません"});
    EXPECT_FALSE(opened);
    EXPECT_EQ(pendingDialogHandlers(), 1);  // the closing handler never had to run
}

TEST_F(MainWindowTest, ApplicationErrorDisplayShowsTheMessage)
{
    auto* app = static_cast<MoxtalApplication*>(QCoreApplication::instance());
    QObject target;
    QObject::connect(&target, &QObject::objectNameChanged, [] { throw AppError("boom"); });
    QTimer::singleShot(0, &target, [&] { target.setObjectName("x"); });
    QCoreApplication::processEvents();
    (void)app;
    EXPECT_EQ(MessageBox::takeRecorded(), QStringList {"boom"});
}

TEST_F(MainWindowTest, ConfirmDialogButtonsAndCaseConversion)
{
    TempFolder dir;
    dir.write("abc.txt", "data");
    auto form = makeWindow({dir.path()});
    form->show();
    TRenameReport& report = *form->windows().RenameReport;
    whenDialogShows(*form, [&](TRenameReport& r) {
        runIdleUpdates();
        EXPECT_FALSE(control<QPushButton>(&r, "ToUpper")->isEnabled());
        EXPECT_FALSE(control<QPushButton>(&r, "DelButton")->isEnabled());
        EXPECT_TRUE(control<QPushButton>(&r, "Buttonren")->isEnabled());
        selectFirstRow(r);
        runIdleUpdates();
        EXPECT_TRUE(control<QPushButton>(&r, "ToUpper")->isEnabled());
        control<QPushButton>(&r, "ToUpper")->click();
        EXPECT_EQ(r.rows()[0].newName, "ABC.TXT");
        EXPECT_EQ(r.rows()[0].status, "Replace");
        EXPECT_FALSE(control<QTableView>(&r, "ListView1")->selectionModel()->hasSelection());
        selectFirstRow(r);
        control<QPushButton>(&r, "ToLower")->click();
        EXPECT_EQ(r.rows()[0].status, "Same Name");
        selectFirstRow(r);
        control<QPushButton>(&r, "ToUpper")->click();
        control<QPushButton>(&r, "Buttonren")->click();
        EXPECT_EQ(r.rows()[0].result, "Ok");
        selectFirstRow(r);
        control<QPushButton>(&r, "DelButton")->click();
        EXPECT_EQ(r.rows().size(), 0u);
        runIdleUpdates();
        EXPECT_FALSE(control<QPushButton>(&r, "Buttonren")->isEnabled());
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_TRUE(report.renameDone());
    EXPECT_EQ(dir.read("ABC.TXT"), "data");
    EXPECT_EQ(listedNames(*form), (Names {"ABC.TXT"}));
}

TEST_F(MainWindowTest, TheRowMenuConvertsExtensionsAndInvalidRowsSayWhy)
{
    TempFolder dir;
    for (const char* name : {"IMG_0001.JPG", "a.tar.GZ", "10 - Non, je ne regrette rien.MP3"})
        dir.write(name, name);
    auto form = windowWithJob(dir.path(), "^(10 - )?(.*)", "\\2");
    QString tip, line;
    QStringList menuActions, cells;
    bool enabledUnselected = true, selectedAfter = true;
    whenDialogShows(*form, [&](TRenameReport& r) {
        ConfirmRowModel& m = *r.model();
        auto* list = control<QTableView>(&r, "ListView1");
        const auto invalid = std::find_if(r.rows().begin(), r.rows().end(),
                                          [](const ConfirmRow& row) { return row.status == kStatusInvalidName; });
        ASSERT_NE(invalid, r.rows().end());
        const QModelIndex song = m.index(static_cast<int>(invalid - r.rows().begin()), ConfirmRowModel::StatusColumn);
        tip = m.data(song, Qt::ToolTipRole).toString();
        list->selectionModel()->setCurrentIndex(song, QItemSelectionModel::NoUpdate);
        line = control<QLabel>(&r, "reasonLine")->text();
        enabledUnselected = control<QAction>(&r, "ActionExtensionLower")->isEnabled();

        // Every row selected with Ctrl+A, then "Lowercase Extension" from the menu of a right click.
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        const QPoint at = list->visualRect(m.index(0, 0)).center();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &rightClick);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        for (const QAction* action : menu->actions())
            menuActions << action->objectName();
        QAction* lower = control<QAction>(&r, "ActionExtensionLower");
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(lower).center());
        selectedAfter = list->selectionModel()->hasSelection();
        for (int row = 0; row < m.rowCount(); ++row)
            cells << m.index(row, ConfirmRowModel::NewColumn).data().toString() + " " +
                         m.index(row, ConfirmRowModel::StatusColumn).data().toString();
        clickButton(&r, "Buttonren");
    });
    clickButton(form.get(), "ButtonDoit");
    const QString reason = "The new name holds \",\", which a new name may not hold (none of <>|*/:?;,).";
    EXPECT_EQ(tip, reason);
    EXPECT_EQ(line, reason);
    EXPECT_FALSE(enabledUnselected);
    EXPECT_EQ(menuActions,
              (QStringList {"ActionUpperCase", "ActionLowercase", "", "ActionExtensionUpper", "ActionExtensionLower"}));
    EXPECT_FALSE(selectedAfter);
    // As with the case buttons, the status follows "Old" against "New": the invalid row too.
    cells.sort();
    EXPECT_EQ(cells,
              (QStringList {"IMG_0001.jpg Replace", "Non, je ne regrette rien.mp3 Replace", "a.tar.gz Replace"}));
    EXPECT_EQ(dir.read("IMG_0001.jpg"), "IMG_0001.JPG");
    EXPECT_EQ(dir.read("a.tar.gz"), "a.tar.GZ");
}

TEST_F(MainWindowTest, RestoredDialogKeepsItsFinishedRename)
{
    // Minimising and restoring the dialog is no new showing: "Rename" stays done.
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    auto form = windowWithJob(dir.path(), "^(a|b)$", "Z\\1");
    clickButton(form.get(), "CheckBoxCont");
    Names results;
    whenDialogShows(*form, [&](TRenameReport& r) {
        control<QPushButton>(&r, "Buttonren")->click();
        r.setWindowState(Qt::WindowMinimized);
        r.setWindowState(Qt::WindowNoState);
        runIdleUpdates();
        EXPECT_FALSE(control<QPushButton>(&r, "Buttonren")->isEnabled());
        control<QAction>(&r, "ActionRename")->trigger();
        for (const ConfirmRow& row : r.rows())
            results.emplace_back(row.result);
    });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(results, (Names {"Ok", "Ok"}));
    EXPECT_TRUE(form->windows().RenameReport->renameDone());
    EXPECT_EQ(listedNames(*form), (Names {"Za.txt", "Zb.txt"}));
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->itemText(0), "^(a|b)$");

    // The next "Do!" is a new showing: "Rename" is offered again.
    typeInto(form.get(), "pattern", "(.*)");
    bool enabled = false;
    whenDialogShows(*form, [&](TRenameReport& r) { enabled = control<QPushButton>(&r, "Buttonren")->isEnabled(); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_TRUE(enabled);
}

TEST_F(MainWindowTest, RelistingEmptiesTheNameBox)
{
    TempFolder dir;
    dir.write("photo.jpg");
    dir.write("notes.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    auto select = [&] {
        clickFile(*form, 1);
        EXPECT_EQ(control<QLineEdit>(form.get(), "Edit1")->text(), "photo");
        EXPECT_EQ(control<QLabel>(form.get(), "Extention")->text(), ".jpg");
    };
    auto expectEmpty = [&](const char* after) {
        EXPECT_EQ(selectedFile(*form), -1) << after;
        EXPECT_EQ(control<QLineEdit>(form.get(), "Edit1")->text(), "") << after;
        EXPECT_EQ(control<QLabel>(form.get(), "Extention")->text(), "") << after;
        runIdleUpdates();
        EXPECT_FALSE(control<QAction>(form.get(), "PasteFilename")->isEnabled()) << after;
    };
    select();
    triggerAction(form.get(), "RefreshList1");
    expectEmpty("Refresh FileList");
    select();
    QTest::keyClicks(control<QLineEdit>(form.get(), "Extension"), ";");  // after "*.*"
    expectEmpty("a filter keystroke");
}

TEST_F(MainWindowTest, ControlsSitWhereTheLayoutPutsThem)
{
    auto form = makeWindow();
    form->show();
    const std::pair<const char*, QRect> places[] {{"pattern", {233, 10, 176, 20}},   {"RepStr", {232, 34, 177, 20}},
                                                  {"ButtonDoit", {414, 32, 75, 25}}, {"Extension", {48, 9, 81, 20}},
                                                  {"Edit1", {132, 9, 193, 20}},      {"CloseButton", {416, 8, 75, 25}}};
    for (const auto& [name, place] : places)
        EXPECT_EQ(control<QWidget>(form.get(), name)->geometry(), place) << name;
    // The frame's controls keep the design's places from each other, inside the frame's border.
    const QPoint start = control<QWidget>(form.get(), "seqstart")->pos();
    EXPECT_EQ(control<QWidget>(form.get(), "seqstart")->size(), QSize(57, 20));
    EXPECT_EQ(control<QWidget>(form.get(), "seqStep")->geometry(), QRect(start + QPoint(0, 24), QSize(57, 20)));
    EXPECT_EQ(control<QWidget>(form.get(), "Label3")->pos(), start + QPoint(-32, 32));
    EXPECT_EQ(control<QWidget>(form.get(), "CheckBoxCont")->pos(), start + QPoint(-88, 4));
    EXPECT_GE(control<QWidget>(form.get(), "CheckBoxCont")->width(), 77);  // wider only where the font needs it
    EXPECT_EQ(control<QWidget>(form.get(), "Extention")->pos(), QPoint(328, 18));

    TRenameReport& report = *form->windows().RenameReport;
    QSize shown;
    whenDialogShows(*form, [&](TRenameReport& r) { shown = r.size(); });
    clickButton(form.get(), "ButtonDoit");
    EXPECT_EQ(shown, QSize(456, 404));
    EXPECT_LE(report.minimumSizeHint().width(), 456);
}

TEST(Desktop, InterfaceFontsAndTheProgramIcon)
{
    // The design's font names reach faces that draw U+005C as a backslash.
    EXPECT_EQ(QFontInfo(interfaceFont(kProportionalFont)).family(), "VL PGothic");
    EXPECT_EQ(QFontInfo(interfaceFont(kFixedFont)).family(), "VL Gothic");
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());  // the SVG renders
}

TEST(FileIcons, CostOneDatabaseLookUpPerKindOfName)
{
    // Names of one shape share their icon whether or not they share an extension. A listing's
    // images, whose keys several threads find, are those imageFor gives one name after another.
    const QStringList shapes {"app.log.%1", "README%1", "%1", "IMG_%1.JPG", "backup %1.tar.gz", "Ä%1.txt"};
    std::vector<ListedFile> files {{"Makefile"}};
    for (int i = 1; i <= 20000; ++i) {
        for (const QString& shape : shapes)
            files.push_back({shape.arg(i).toStdString()});
    }
    ImageList images, oneByOne;
    setListingThreads(4);
    images.assignImages(files);
    setListingThreads(0);
    EXPECT_LE(images.databaseLookups(), 6 * shapes.size());
    for (const ListedFile& file : files)
        ASSERT_EQ(file.image, oneByOne.imageFor(file.name)) << file.name;
    QMimeDatabase db;
    for (const char* name : {"README7", "app.log.3", "x.tar.gz", "IMG_9.JPG", "Makefile"}) {
        const QString expected = db.mimeTypeForFile(QString::fromUtf8(name), QMimeDatabase::MatchExtension).iconName();
        EXPECT_EQ(images.iconName(images.imageFor(name)), expected) << name;
    }
}

int rowOf(TForm1& form, const std::string& name)
{
    const Names names = listedNames(form);
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

TEST_F(MainWindowTest, DirectRenameFromTheNameBox)
{
    TempFolder dir;
    dir.write("photo.jpg", "P");
    dir.write("other.jpg", "O");
    dir.write("archive.tar.gz", "A");
    dir.write("README", "R");
    dir.write("caf\xE9.txt", "C");
    dir.write("\xFF.txt", "F");
    auto form = makeWindow({dir.path()});
    form->show();
    const std::vector<TLogEntry>& log = form->windows().LogWindow->entries();
    auto* edit1 = control<QLineEdit>(form.get(), "Edit1");
    auto renameTo = [&](const std::string& from, const QString& typed, Qt::Key key = Qt::Key_Return) {
        clickFile(*form, rowOf(*form, from));
        typeInto(form.get(), "Edit1", typed);
        QTest::keyClick(edit1, key);
    };

    const int photoRow = rowOf(*form, "photo.jpg");
    renameTo("photo.jpg", "holiday");
    EXPECT_EQ(dir.read("holiday.jpg"), "P");
    EXPECT_EQ(form->fileList().model().entry(photoRow).name, "holiday.jpg");  // in place, no re-sort
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].Identity.has_value());  // for an undo that renames only this file
    EXPECT_EQ(log[0].From + ">" + log[0].To + "@" + log[0].Folder, "photo.jpg>holiday.jpg@" + dir.path() + "/");

    renameTo("archive.tar.gz", "backup", Qt::Key_Enter);  // the keypad's Enter
    EXPECT_EQ(dir.read("backup.gz"), "A");
    renameTo("README", "LIESMICH");
    EXPECT_EQ(dir.read("LIESMICH"), "R");
    EXPECT_EQ(log.size(), 3u);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->windowTitle(), "Mox-Tal");  // its own renames are no change on disk

    // Nothing happens, silently: same name, another file's name, a name with "/", an empty box,
    // another key, no selection.
    renameTo("holiday.jpg", "holiday");
    renameTo("holiday.jpg", "other");
    renameTo("holiday.jpg", "sub/x");
    renameTo("holiday.jpg", "");
    renameTo("holiday.jpg", "x", Qt::Key_A);
    clickFile(*form, rowOf(*form, "holiday.jpg"), Qt::ControlModifier);  // unselects it
    typeInto(form.get(), "Edit1", "x");
    QTest::keyClick(edit1, Qt::Key_Return);
    EXPECT_EQ(dir.read("holiday.jpg"), "P");
    EXPECT_EQ(dir.read("other.jpg"), "O");
    EXPECT_FALSE(dir.exists("x.jpg"));
    EXPECT_EQ(log.size(), 3u);
    EXPECT_TRUE(MessageBox::takeRecorded().isEmpty());

    // A name that is not valid UTF-8 keeps its bytes while the box is unedited.
    clickFile(*form, rowOf(*form, "caf\xE9.txt"));
    QTest::keyClick(edit1, Qt::Key_Return);
    EXPECT_EQ(dir.read("caf\xE9.txt"), "C");
    EXPECT_EQ(log.size(), 3u);
    renameTo("caf\xE9.txt", QStringLiteral("café"));
    EXPECT_EQ(dir.read("caf\xC3\xA9.txt"), "C");
    EXPECT_EQ(log.back().From, "caf\xE9.txt");

    // Editing part of such a name keeps the bytes the user did not touch.
    clickFile(*form, rowOf(*form, "\xFF.txt"));
    QTest::keyClick(edit1, Qt::Key_End);
    QTest::keyClicks(edit1, QStringLiteral("_2"));
    QTest::keyClick(edit1, Qt::Key_Return);
    EXPECT_EQ(dir.read("\xFF_2.txt"), "F");
    // "Paste Filename" puts the same bytes into the pattern, which then matches the file.
    triggerAction(form.get(), "PasteFilename");
    EXPECT_EQ(comboText(control<QComboBox>(form.get(), "pattern")), "\xFF_2");
}

TEST_F(MainWindowTest, KeyboardAndFocus)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    // Deep enough that the tree must scroll sideways to show the folder.
    std::string deep = dir.path();
    for (const char* part :
         {"/first-level-folder", "/second-level-folder", "/third-level-folder", "/the-folder-the-user-started-on"}) {
        deep += part;
        ::mkdir(deep.c_str(), 0755);
    }
    auto form = makeWindow({dir.path()});
    form->show();

    // A click on a row takes the focus to the name box with the whole base name selected: typing
    // replaces it. (Keys that walk the list keep the focus in the list.)
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    clickFile(*form, rowOf(*form, "a.txt"));
    auto* edit1 = control<QLineEdit>(form.get(), "Edit1");
    EXPECT_EQ(QApplication::focusWidget(), edit1);
    EXPECT_EQ(edit1->selectedText(), "a");
    QTest::keyClicks(edit1, QStringLiteral("X"));
    QTest::keyClick(edit1, Qt::Key_Return);
    EXPECT_EQ(dir.read("X.txt"), "A");

    // After the history is rebuilt, Down from the edit text goes to the newest item.
    setComboItems(control<QComboBox>(form.get(), "pattern"), {"newest", "older"});
    typeInto(form.get(), "pattern", "start");
    QTest::keyClick(control<QComboBox>(form.get(), "pattern"), Qt::Key_Down);
    EXPECT_EQ(control<QComboBox>(form.get(), "pattern")->currentText(), "newest");

    auto deepForm = makeWindow({deep});
    deepForm->show();
    QCoreApplication::processEvents();
    TFolderView& tree = *control<TFolderView>(deepForm.get(), "FolderView1");
    const QRect node = tree.visualItemRect(tree.currentItem());
    const int nameWidth = tree.fontMetrics().horizontalAdvance(tree.currentItem()->text(0));
    EXPECT_GE(node.left(), 0);  // the icon is in view
    // The name reads from its start: all of it, or as much as the tree's width allows.
    EXPECT_TRUE(node.left() + nameWidth + 24 <= tree.viewport()->width() || node.left() == 0) << node.left();
}

TEST_F(MainWindowTest, LogWindowExportRemoveAndUndo)
{
    TempFolder dir;
    dir.write("a.txt", "A");
    dir.write("b.txt", "B");
    dir.write("c.txt", "C");
    auto form = makeWindow({dir.path()});
    form->show();
    TLogWindow& logWindow = *form->windows().LogWindow;
    runIdleUpdates();
    EXPECT_FALSE(control<QPushButton>(&logWindow, "Save")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(&logWindow, "Undo")->isEnabled());

    // Three renames while the window is hidden: a->x, b->y, then x->z (a chain).
    typeInto(form.get(), "pattern", "^(a|b)$");
    typeInto(form.get(), "RepStr", "\\1\\1");
    whenDialogShows(*form, [](TRenameReport& r) { control<QPushButton>(&r, "Buttonren")->click(); });
    clickButton(form.get(), "ButtonDoit");
    clickFile(*form, rowOf(*form, "aa.txt"));
    typeInto(form.get(), "Edit1", "z");
    QTest::keyClick(control<QLineEdit>(form.get(), "Edit1"), Qt::Key_Return);
    const std::string folder = dir.path() + "/";
    std::vector<TLogEntry> logged = logWindow.entries();
    // The pass records each renamed file for its undo; the direct rename does too.
    for (TLogEntry& e : logged) {
        EXPECT_TRUE(e.Identity.has_value()) << e.From;
        e.Identity.reset();
    }
    ASSERT_EQ(logged, (std::vector<TLogEntry> {
                          {"a.txt", "aa.txt", folder}, {"b.txt", "bb.txt", folder}, {"aa.txt", "z.txt", folder}}));
    runIdleUpdates();
    EXPECT_TRUE(control<QPushButton>(&logWindow, "Save")->isEnabled());
    EXPECT_FALSE(control<QPushButton>(&logWindow, "ButtonDel")->isEnabled());

    // Export: the designed bytes; a target that cannot be created shows the message.
    FileDialog::setNextAnswer(QString::fromStdString(dir.file("log.csv")));
    control<QPushButton>(&logWindow, "Save")->click();
    EXPECT_EQ(dir.read("log.csv"), "MoxTal rename log\r\n\"a.txt\",\"" + folder + "\",\"aa.txt\"\r\n\"b.txt\",\"" +
                                       folder + "\",\"bb.txt\"\r\n\"aa.txt\",\"" + folder + "\",\"z.txt\"\r\n");
    const std::string bad = dir.file("missing/log.csv");
    FileDialog::setNextAnswer(QString::fromStdString(bad));
    control<QPushButton>(&logWindow, "Save")->click();
    EXPECT_EQ(MessageBox::takeRecorded(),
              QStringList {QString::fromStdString("ファイル " + bad + " を作成できません")});
    FileDialog::setNextAnswer(std::nullopt);  // cancelled
    control<QPushButton>(&logWindow, "Save")->click();
    EXPECT_EQ(logWindow.entries().size(), 3u);
    LongWork::setTestCancelAt(0);  // "Cancel" while the rows are put into words: nothing written
    FileDialog::setNextAnswer(QString::fromStdString(dir.file("cancelled.csv")));
    control<QPushButton>(&logWindow, "Save")->click();
    EXPECT_FALSE(dir.exists("cancelled.csv"));

    // "Cancel" after the first row undone (the bottom-most): the rows not tried stay, selected.
    control<QTableView>(&logWindow, "ListView1")->selectAll();
    LongWork::setTestCancelAt(1);
    triggerAction(&logWindow, "Action1Undo");
    LongWork::setTestCancelAt(std::nullopt);
    EXPECT_EQ(dir.read("aa.txt"), "A");
    ASSERT_EQ(logWindow.entries().size(), 2u);
    EXPECT_EQ(selectedRowPositions(control<QTableView>(&logWindow, "ListView1")), (std::vector<std::size_t> {0, 1}));

    // Undo of the chain and of b->bb, with bb's old name taken: exactly the chain goes, the failure stays selected.
    dir.write("b.txt", "new B");
    triggerAction(form.get(), "RefreshList1");
    control<QTableView>(&logWindow, "ListView1")->selectAll();
    runIdleUpdates();
    EXPECT_TRUE(control<QPushButton>(&logWindow, "Undo")->isEnabled());
    control<QPushButton>(&logWindow, "Undo")->click();
    EXPECT_EQ(dir.read("a.txt"), "A");
    EXPECT_EQ(dir.read("b.txt"), "new B");
    EXPECT_EQ(dir.read("bb.txt"), "B");
    ASSERT_EQ(logWindow.entries().size(), 1u);
    EXPECT_EQ(logWindow.entries()[0].To, "bb.txt");
    EXPECT_EQ(selectedRowPositions(control<QTableView>(&logWindow, "ListView1")), std::vector<std::size_t> {0});
    EXPECT_EQ(listedNames(*form), (Names {"a.txt", "b.txt", "bb.txt", "c.txt", "log.csv"}));  // refreshed

    // Remove never touches a file.
    control<QPushButton>(&logWindow, "ButtonDel")->click();
    EXPECT_TRUE(logWindow.entries().empty());
    EXPECT_EQ(dir.read("bb.txt"), "B");
    logWindow.show();
    control<QPushButton>(&logWindow, "ButtonClose")->click();
    EXPECT_FALSE(logWindow.isVisible());
}

TEST_F(MainWindowTest, LogSaveDialogStartsOnCsvAndThenOnTheLastName)
{
    TempFolder dir;
    auto form = makeWindow({dir.path()});
    TLogWindow& logWindow = *form->windows().LogWindow;
    logWindow.AddLogEntry({{"a.txt", "b.txt", dir.path() + "/", std::nullopt}});
    runIdleUpdates();
    FileDialog::takeOffered();
    const QString saved = QString::fromStdString(dir.file("log.csv"));
    const QString star = QString::fromStdString(dir.file("*.csv"));
    const QString question = QString::fromStdString(dir.file("log?.csv"));
    struct Use {
        const char* what;
        std::optional<QString> chosen;  // in the first dialog; a second one is cancelled
        QStringList offered;
        bool written;
    };
    const Use uses[] {
        {"cancelled at once", std::nullopt, {"*.csv"}, false},
        {"a name with \"*\" asks again", star, {"*.csv", star}, false},
        {"a name with \"?\" asks again", question, {"*.csv", question}, false},
        {"a name is chosen", saved, {"*.csv"}, true},
        {"the next use starts on it", std::nullopt, {saved}, true},
    };
    for (const Use& use : uses) {
        FileDialog::setNextAnswer(use.chosen);
        control<QPushButton>(&logWindow, "Save")->click();
        EXPECT_EQ(FileDialog::takeOffered().join('|').toStdString(), use.offered.join('|').toStdString()) << use.what;
        EXPECT_EQ(dir.exists("log.csv"), use.written) << use.what;
    }
    EXPECT_FALSE(dir.exists("*.csv"));
    EXPECT_FALSE(dir.exists("log?.csv"));
}

TEST_F(MainWindowTest, SortingTogglesAndMovesKeepTheSelection)
{
    TempFolder dir;
    dir.write("b.txt", std::string(10, 'x'));
    dir.write("a.txt", std::string(9, 'x'));
    dir.write("C.txt", std::string(11, 'x'));
    auto form = makeWindow({dir.path()});
    form->show();
    // The heading's arrow: the column the rows are sorted by and which way, or none.
    const QHeaderView* heading = control<QTableView>(form.get(), "FileListView1")->horizontalHeader();
    auto arrow = [heading] {
        const int column = heading->sortIndicatorSection();
        return column < 0 ? std::string("none")
                          : std::to_string(column) + (heading->sortIndicatorOrder() == Qt::AscendingOrder ? "+" : "-");
    };
    EXPECT_EQ(listedNames(*form), (Names {"C.txt", "a.txt", "b.txt"}));  // C locale order
    EXPECT_EQ(arrow(), "0+");
    LongWork::setTestCancelAt(0);
    clickColumn(*form, 0);  // a cancelled sort changes nothing, its toggle included
    LongWork::setTestCancelAt(std::nullopt);
    EXPECT_EQ(listedNames(*form), (Names {"C.txt", "a.txt", "b.txt"}));
    EXPECT_EQ(arrow(), "0+");
    clickColumn(*form, 0);
    EXPECT_EQ(listedNames(*form), (Names {"C.txt", "b.txt", "a.txt"}));  // descending, caseless
    EXPECT_EQ(arrow(), "0-");
    clickColumn(*form, 0);
    EXPECT_EQ(listedNames(*form), (Names {"a.txt", "b.txt", "C.txt"}));
    EXPECT_EQ(arrow(), "0+");
    clickColumn(*form, 1);
    EXPECT_EQ(listedNames(*form), (Names {"C.txt", "b.txt", "a.txt"}));  // largest first
    EXPECT_EQ(arrow(), "1-");
    triggerAction(form.get(), "RefreshList1");
    EXPECT_EQ(arrow(), "0+");  // every listing sorts by name
    clickColumn(*form, 1);  // the toggle survived the relisting
    EXPECT_EQ(listedNames(*form), (Names {"a.txt", "b.txt", "C.txt"}));
    EXPECT_EQ(arrow(), "1+");

    clickFile(*form, 1);
    EXPECT_EQ(control<QLineEdit>(form.get(), "Edit1")->text(), "b");
    EXPECT_EQ(control<QLabel>(form.get(), "Extention")->text(), ".txt");
    runIdleUpdates();
    EXPECT_TRUE(control<QAction>(form.get(), "Uplist")->isEnabled());
    clickButton(form.get(), "SpeedButton1");
    EXPECT_EQ(listedNames(*form), (Names {"b.txt", "a.txt", "C.txt"}));
    EXPECT_EQ(selectedFile(*form), 0);
    EXPECT_EQ(arrow(), "none");  // moved by hand: in no column's order
    runIdleUpdates();
    EXPECT_FALSE(control<QAction>(form.get(), "Uplist")->isEnabled());
    EXPECT_TRUE(control<QAction>(form.get(), "DownList")->isEnabled());
    clickButton(form.get(), "SpeedButton2");
    EXPECT_EQ(listedNames(*form), (Names {"a.txt", "b.txt", "C.txt"}));
    EXPECT_EQ(selectedFile(*form), 1);
    clickColumn(*form, 0);  // sorting keeps the same file selected
    EXPECT_EQ(form->fileList().model().entry(selectedFile(*form)).name, "b.txt");
    EXPECT_EQ(arrow(), "0-");
    // A file renamed in the name box keeps its place: the arrow stays while the order holds.
    for (const auto& [typed, expected] : {std::pair {"bb", "0-"}, std::pair {"D", "none"}}) {
        typeInto(form.get(), "Edit1", typed);
        QTest::keyClick(control<QLineEdit>(form.get(), "Edit1"), Qt::Key_Return);
        EXPECT_EQ(arrow(), expected) << typed;
    }
    clickFile(*form, selectedFile(*form), Qt::ControlModifier);  // unselects it
    EXPECT_EQ(control<QLineEdit>(form.get(), "Edit1")->text(), "");
    runIdleUpdates();
    EXPECT_FALSE(control<QAction>(form.get(), "DownList")->isEnabled());
    EXPECT_FALSE(control<QAction>(form.get(), "PasteFilename")->isEnabled());
}

TEST_F(MainWindowTest, FilterRelistsOnEveryChange)
{
    TempFolder dir;
    dir.write("a.jpg");
    dir.write("b.txt");
    auto form = makeWindow({dir.path()});
    form->show();
    typeInto(form.get(), "Extension", "*.txt;*.jpg");
    EXPECT_EQ(listedNames(*form), (Names {"a.jpg", "b.txt"}));  // sorted after both passes
    typeInto(form.get(), "Extension", "");
    EXPECT_TRUE(listedNames(*form).empty());
}

TEST_F(MainWindowTest, PasteAndInsertActions)
{
    auto form = makeWindow();
    form->show();
    typeInto(form.get(), "Edit1", "photo(1)");
    typeInto(form.get(), "pattern", "ab");
    QLineEdit* pattern = control<QComboBox>(form.get(), "pattern")->lineEdit();
    QTest::keyClick(pattern, Qt::Key_Left);
    triggerAction(form.get(), "InsertFilename");
    EXPECT_EQ(pattern->text(), "aphoto(1)b");
    pattern->setSelection(0, 1);
    triggerAction(form.get(), "InsertFilename");
    EXPECT_EQ(pattern->text(), "photo(1)photo(1)b");
    triggerAction(form.get(), "PasteFilename");
    EXPECT_EQ(pattern->text(), "photo(1)");
}

TEST_F(MainWindowTest, OnlyOpeningTheReplacementMenuAsksTheClipboard)
{
    auto form = makeWindow();
    form->show();
    QClipboard& board = *QGuiApplication::clipboard();
    board.clear();
    // The menu key's request, as the keyboard opens the box's menu.
    QLineEdit* box = control<QComboBox>(form.get(), "RepStr")->lineEdit();
    ASSERT_EQ(contextMenuOf(box), "PopupMenu4");
    EXPECT_FALSE(control<QAction>(form.get(), "PastefromClipboard")->isEnabled());

    // An owner that never answers would hold up every idle moment: they leave the clipboard alone,
    // the watcher's Retry (its window closed) included.
    board.setText(QStringLiteral("copied"));
    const int asked = clipboardOwnerQueries();
    runIdleUpdates();
    EXPECT_EQ(clipboardOwnerQueries(), asked);
    EXPECT_FALSE(control<QAction>(form.get(), "PastefromClipboard")->isEnabled());
    ASSERT_EQ(contextMenuOf(box), "PopupMenu4");
    EXPECT_EQ(clipboardOwnerQueries(), asked + 1);
    EXPECT_TRUE(control<QAction>(form.get(), "PastefromClipboard")->isEnabled());
    EXPECT_TRUE(control<QAction>(form.get(), "InsertfromClipboard")->isEnabled());
    triggerAction(form.get(), "PastefromClipboard");
    EXPECT_EQ(box->text(), "copied");
    board.clear();
}

TEST_F(MainWindowTest, ClipboardWatcherTickFollowsItsWindow)
{
    auto form = makeWindow();
    form->show();
    triggerAction(form.get(), "ClipboardReplace1");
    EXPECT_TRUE(form->windows().ClipWindow->isVisible());
    form->windows().ClipWindow->close();
    EXPECT_EQ(contextMenuOf(form.get()), "PopupMenu1");  // its opening reads the window's state
    EXPECT_FALSE(control<QAction>(form.get(), "ClipboardReplace1")->isChecked());
    triggerAction(form.get(), "ClipboardReplace1");
    EXPECT_TRUE(form->windows().ClipWindow->isVisible());
}

TEST(FolderTree, LazyFillingAndTheWalk)
{
    FakeFolderSource source;
    TFolderView tree(source);
    tree.Loaded();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* computer = tree.topLevelItem(0);
    EXPECT_EQ(computer->text(0), "Computer");
    ASSERT_EQ(computer->childCount(), 2);
    EXPECT_TRUE(source.reads.empty());  // no drive is touched at start-up
    EXPECT_EQ(tree.Directory(), "");

    tree.SetDirectory("/data/photos");
    EXPECT_EQ(tree.Directory(), "/data/photos");  // exact match first
    tree.SetDirectory("/DATA/PHOTOS/2024/");
    EXPECT_EQ(tree.Directory(), "/data/Photos/2024");  // then the first caseless one
    tree.SetDirectory("/data/nothing");
    EXPECT_EQ(tree.Directory(), "/data/Photos/2024");  // a missing component changes nothing
    tree.SetDirectory("relative/path");
    EXPECT_EQ(tree.Directory(), "/data/Photos/2024");
    tree.SetDirectory("/media/usb/docs");
    EXPECT_EQ(tree.Directory(), "/media/usb/docs");  // the longest mount path wins
    tree.SetDirectory("/");
    EXPECT_EQ(tree.Directory(), "/");
    EXPECT_EQ(source.reads["/"], 1);
    EXPECT_EQ(source.reads["/data"], 1);  // nothing re-read

    QTreeWidgetItem* root = computer->child(0);
    Names children;
    for (int i = 0; i < root->childCount(); ++i)
        children.push_back(root->child(i)->text(0).toStdString());
    EXPECT_EQ(children, (Names {"System Volume Information", "data", "empty", "unreadable"}));
    EXPECT_EQ(root->child(0)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(root->child(1)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_FALSE(tree.CanExpand(root->child(3)));  // unreadable: refused, tried again next time
    EXPECT_FALSE(tree.CanExpand(root->child(3)));
    EXPECT_EQ(source.reads["/unreadable"], 2);
}

TEST_F(MainWindowTest, ACancelledReadLeavesTheTreeAsItWas)
{
    FakeFolderSource source;
    TFolderView tree(source);
    tree.Loaded();
    QTreeWidgetItem* root = tree.topLevelItem(0)->child(0);
    LongWork::setTestCancelAt(0);
    EXPECT_FALSE(tree.SetDirectory("/data/photos"));  // the walk stops: the selection stays
    root->setExpanded(true);  // refused
    LongWork::setTestCancelAt(std::nullopt);
    EXPECT_EQ(tree.Directory(), "");
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_FALSE(root->isExpanded());
    EXPECT_EQ(root->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_TRUE(tree.SetDirectory("/data/photos"));
    EXPECT_EQ(root->childCount(), 4);
}

}  // namespace

namespace {

// Qt's own checks of the model contract (indexes, parents, signals around every change) over the
// four list models while each goes through its changes.
TEST(ListModels, KeepQtsModelContract)
{
    using Tester = QAbstractItemModelTester;
    const auto fatal = Tester::FailureReportingMode::Fatal;

    FileListModel files;
    Tester filesTester(&files, fatal);
    files.setEntries({{"b.txt", 2, 10, -1}, {"a.txt", 1, 20, -1}, {"c.txt", 3, 5, -1}});
    files.sortByColumn(FileListModel::NameColumn, true);
    files.sortByColumn(FileListModel::SizeColumn, false);
    files.moveEntry(0, 2);
    files.setName(1, "renamed.txt");
    files.setEntries({});

    ConfirmRowModel rows;
    Tester rowsTester(&rows, fatal);
    rows.setRows({{"a", "b", kStatusReplace, 0, ""}, {"b", "c", kStatusReplace, 0, ""}});
    rows.setData(rows.index(0, ConfirmRowModel::OldColumn), QStringLiteral("x"), Qt::EditRole);
    rows.setPredictions({{Refusal::TakenByLater, 1, true}, {}});
    rows.updateRows([](std::vector<ConfirmRow>& all) { all[1].newName = "B", all[0].result = kResultOk; });
    rows.setPredictions({});

    LogModel log;
    Tester logTester(&log, fatal);
    log.append({{"a", "b", "/x/", std::nullopt}}, 0);
    log.append(std::vector<TLogEntry> {{"c", "d", "/x/"}, {"e", "f", "/y/"}}, 1);
    log.eraseRows([](std::vector<TLogEntry>& all) {
        all.erase(all.begin());
        return std::vector<std::size_t> {0};
    });

    LinesModel lines;
    Tester linesTester(&lines, fatal);
    lines.setLines({"one", "two"});
    lines.setLines({});
}

// A double click on a file hands it to the opener (a fake one here, in place of xdg-open), which
// tells by its exit status whether a program took the file.
class OpenerTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        files.write("x.zzzq", std::string("\x8f\x01\xfe\x00\x7f", 5));
        form = makeWindow({files.path()});
        form->show();
    }
    void TearDown() override
    {
        Opener::setProgram({});
        MainWindowTest::TearDown();
    }

    // A shell script as the opener; it gets the file as $1.
    void useOpener(const std::string& body)
    {
        const std::string path = tools.write("opener", "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        Opener::setProgram(path);
    }

    void doubleClickTheFile()
    {
        auto* list = control<QTableView>(form.get(), "FileListView1");
        const QPoint cell = list->visualRect(list->model()->index(0, 0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell);
    }

    // Runs the event loop until every opener started has been seen to end.
    static void untilOpenersEnd()
    {
        while (Opener::running() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    TempFolder files;
    TempFolder tools;
    std::unique_ptr<TForm1> form;
};

TEST_F(OpenerTest, TheOpenersExitStatusDecides)
{
    struct Case {
        const char* name;
        std::string body;  // empty: no opener at that path
        QStringList messages;
    };
    const std::vector<Case> cases {
        {"fails at once", "exit 3", {"Execute failed."}},
        {"killed", "kill -9 $$", {"Execute failed."}},
        {"opens", "printf '%s' \"$1\" > '" + tools.file("given") + "'", {}},
        {"cannot start", "", {"Execute failed."}},
    };
    for (const Case& c : cases) {
        if (c.body.empty())
            Opener::setProgram(tools.file("no-such-opener"));
        else
            useOpener(c.body);
        doubleClickTheFile();
        untilOpenersEnd();
        EXPECT_EQ(MessageBox::takeRecorded(), c.messages) << c.name;
    }
    EXPECT_EQ(tools.read("given"), files.file("x.zzzq"));
}

TEST_F(OpenerTest, AnOpenerStillRunningAfterItsTimeHasOpenedTheFile)
{
    // The opener runs until the test writes to its pipe, then fails: too late to count.
    const std::string pipe = tools.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int writer = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    useOpener("read line < '" + pipe + "'; exit 3");
    doubleClickTheFile();
    EXPECT_EQ(Opener::running(), 1);
    Opener::endVerdictWindows();
    EXPECT_EQ(::write(writer, "go\n", 3), 3);
    untilOpenersEnd();
    ::close(writer);
    EXPECT_TRUE(MessageBox::takeRecorded().isEmpty());
}

TEST_F(OpenerTest, ClosingTheWindowNeitherWaitsForNorEndsTheOpener)
{
    const std::string pipe = tools.file("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int writer = ::open(pipe.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    useOpener("read line < '" + pipe + "'; printf '%s' \"$line\" > '" + tools.file("heard") + "'");
    doubleClickTheFile();
    EXPECT_EQ(Opener::running(), 1);
    form->close();
    form.reset();
    // Only an opener still running hears this.
    EXPECT_EQ(::write(writer, "alive\n", 6), 6);
    untilOpenersEnd();
    ::close(writer);
    EXPECT_EQ(tools.read("heard"), "alive");
    EXPECT_TRUE(MessageBox::takeRecorded().isEmpty());
}

}  // namespace
