// The window on one folder, without a display: listing, each column sort, "Do!" up to the dialog
// shown, the rename pass, the refresh, and the peak memory. Prints rows of the benchmark's table.
//   bench_window FOLDER RENAME(0|1)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/resource.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "app/application.h"
#include "app/windows.h"
#include "browse/folderview.h"
#include "core/rename_loop.h"
#include "dialogs/rpllist.h"
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
    row("listing (Refresh FileList)", files, timed([&] { refreshList->trigger(); }));
    // Each sort as a click on the column's heading starts it.
    row("sort by Name", files, timed([&] { emit columns->sectionClicked(0); }));
    row("sort by Size", files, timed([&] { emit columns->sectionClicked(1); }));
    row("sort by Date", files, timed([&] { emit columns->sectionClicked(2); }));
    refreshList->trigger();

    form->findChild<QComboBox*>(QStringLiteral("RepStr"))->setEditText(QStringLiteral("img_\\\\\\\\\\\\"));
    moxtal::TRenameReport* report = form->windows().RenameReport;
    auto start = std::chrono::steady_clock::now();
    double toDialog = 0, pass = 0;
    QTimer::singleShot(0, report, [&] {
        toDialog = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        expect(report->rows().size() == files, "proposed another number of rows than files");
        if (rename) {
            auto* rename = report->findChild<QPushButton*>(QStringLiteral("Buttonren"));
            pass = timed([&] { rename->click(); });
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
    row("\"Do!\" to the dialog shown", files, toDialog);
    if (rename) {
        row("rename pass", files, pass);
        row("close and refresh", files, refresh);
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
