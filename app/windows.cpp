#include "windows.h"

#include "clipboard/clipwin.h"
#include "dialogs/historywin.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"

namespace moxtal {

std::unique_ptr<TForm1> createWindows(std::unique_ptr<FolderSource> folders, std::vector<std::string> arguments)
{
    auto form = std::make_unique<TForm1>(std::move(folders), std::move(arguments));
    TForm1* owner = form.get();
    Windows windows;
    // The dialogs belong to the main window, so they live and die with it.
    windows.RenameReport = new TRenameReport(owner);
    windows.LogWindow = new TLogWindow(owner);
    windows.History = new THistory(owner);
    windows.ClipWindow = new TClipWindow(owner);
    form->createWindows(windows);
    // The windows talk through signals: every rename, the dialog's passes and the name box's, goes
    // to the log by one way; the log's undo refreshes the file list.
    QObject::connect(windows.RenameReport, &TRenameReport::renamed, windows.LogWindow, &TLogWindow::AddLogEntry);
    QObject::connect(owner, &TForm1::renamed, windows.LogWindow, &TLogWindow::AddLogEntry);
    QObject::connect(windows.LogWindow, &TLogWindow::undone, owner, [owner] { owner->fileList().RefreshFileList(); });
    return form;
}

}  // namespace moxtal
