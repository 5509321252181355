// The window on one folder, without a display: listing, the folder tree's first listing of the
// folder, each column sort, "Do!" up to the dialog shown, the case of all its rows' extensions, the
// rename pass, the refresh, the rename log saved as CSV and undone (and the pass done again, so
// that the folder ends renamed), and the peak memory. Prints rows of the benchmark's table.
//   bench_window FOLDER RENAME(0|1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidgetItem>

#include "app/application.h"
#include "app/windows.h"
#include "browse/folderview.h"
#include "core/rename_loop.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "ui/idle.h"
#include "ui/seams.h"

namespace {

double timed(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void row(const char* what, std::size_t files, double seconds)
{
    std::printf("| window: %s, %zu files | %.3f s |\n", what, files, seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    moxtal::MoxtalApplication app(argc, argv);
    moxtal::setUpApplication();
    moxtal::MessageBox::setTestMode(true);
    if (argc < 3)
        return 2;
    const std::string folder = argv[1];
    const bool rename = argv[2][0] == '1';
    // The pass writes its journal as the program does, into a folder of the run's own.
    char journal[] = "/tmp/moxtal-bench-state-XXXXXX";
    const bool journalMade = ::mkdtemp(journal) != nullptr;
    if (journalMade)
        qputenv("XDG_STATE_HOME", journal);

    auto form = moxtal::createWindows(std::make_unique<moxtal::RealFolderSource>(), {});
    form->setSettingsFolder("/nonexistent/");
    form->show();
    moxtal::FileList& list = form->fileList();
    // The controls, found by their design names.
    auto* tree = form->findChild<moxtal::TFolderView*>(QStringLiteral("FolderView1"));
    auto* refreshList = form->findChild<QAction*>(QStringLiteral("RefreshList1"));
    QHeaderView* columns = form->findChild<QTableView*>(QStringLiteral("FileListView1"))->horizontalHeader();
    // The folder chosen in the tree: its first listing also reads the MIME database.
    const double first = timed([&] { tree->SetDirectory(folder); });
    const std::size_t files = list.model().entries().size();
    int status = 0;
    const auto expect = [&](bool ok, const char* what) {
        if (!ok) {
            std::printf("FAILED: the window %s\n", what);
            status = 1;
        }
    };
    expect(files > 0, "listed no file");
    row("selecting the folder (first listing)", files, first);
    // The folder's branch opened: the tree reads its entries for subfolders.
    QTreeWidgetItem* node = tree->currentItem();
    row("the folder tree's first listing of the folder", files, timed([&] { node->setExpanded(true); }));
    row("listing (Refresh FileList)", files, timed([&] { refreshList->trigger(); }));
    // Each sort as a click on the column's heading starts it.
    row("sort by Name", files, timed([&] { emit columns->sectionClicked(0); }));
    row("sort by Size", files, timed([&] { emit columns->sectionClicked(1); }));
    row("sort by Date", files, timed([&] { emit columns->sectionClicked(2); }));
    refreshList->trigger();

    form->findChild<QComboBox*>(QStringLiteral("RepStr"))->setEditText(QStringLiteral("img_\\\\\\\\\\\\"));
    moxtal::TRenameReport* report = form->windows().RenameReport;
    moxtal::TLogWindow* log = form->windows().LogWindow;
    const auto trigger = [](QObject* window, const char* name) {
        window->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    // "Do!", up to the dialog shown; in it the case of every row's extension, there and back; and
    // the pass.
    const auto doIt = [&](bool timeIt) {
        auto start = std::chrono::steady_clock::now();
        double toDialog = 0, upper = 0, lower = 0, pass = 0;
        QTimer::singleShot(0, report, [&] {
            toDialog = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            expect(report->rows().size() == files, "proposed another number of rows than files");
            if (timeIt) {
                auto* rows = report->findChild<QTableView*>(QStringLiteral("ListView1"));
                rows->selectAll();
                upper = timed([&] { trigger(report, "ActionExtensionUpper"); });
                rows->selectAll();
                lower = timed([&] { trigger(report, "ActionExtensionLower"); });
            }
            if (rename) {
                auto* button = report->findChild<QPushButton*>(QStringLiteral("Buttonren"));
                pass = timed([&] { button->click(); });
                const auto& rows = report->rows();
                expect(std::all_of(rows.begin(), rows.end(),
                                   [](const moxtal::ConfirmRow& r) { return r.result == moxtal::kResultOk; }),
                       "renamed rows that did not end \"Ok\"");
            }
            start = std::chrono::steady_clock::now();
            report->reject();
        });
        // The folder is listed by the tree in the program; here the list holds it already.
        form->findChild<QPushButton*>(QStringLiteral("ButtonDoit"))->click();
        const double refresh = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!timeIt)
            return;
        row("\"Do!\" to the dialog shown", files, toDialog);
        row("UpperCase Extension of every row in the dialog", files, upper);
        row("Lowercase Extension of every row in the dialog", files, lower);
        if (rename) {
            row("rename pass", files, pass);
            row("close and refresh", files, refresh);
        }
    };
    doIt(true);
    if (rename) {
        // The log of the pass, saved as CSV and undone; then the pass once more.
        char csv[] = "/tmp/moxtal-bench-log-XXXXXX";
        const int csvFd = ::mkstemp(csv);
        if (csvFd >= 0)
            ::close(csvFd);
        moxtal::FileDialog::setNextAnswer(QString::fromLocal8Bit(csv));
        moxtal::runIdleUpdates();  // "Save" is enabled while the log holds rows
        row("saving the rename log as CSV", files, timed([&] { trigger(log, "Action1Save"); }));
        expect(std::filesystem::file_size(csv) > files, "saved no log");
        std::filesystem::remove(csv);
        log->findChild<QTableView*>(QStringLiteral("ListView1"))->selectAll();
        moxtal::runIdleUpdates();
        row("undo of every row of the rename log", files, timed([&] { trigger(log, "Action1Undo"); }));
        expect(log->entries().empty(), "left rows of the log not undone");
        refreshList->trigger();
        doIt(false);
    }
    struct rusage usage { };
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("| window: peak memory, %zu files | %.1f MB |\n", files, usage.ru_maxrss / 1024.0);
    form.reset();
    std::error_code ignored;
    if (journalMade)
        std::filesystem::remove_all(journal, ignored);
    return status;
}
