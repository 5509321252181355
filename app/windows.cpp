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
    windows.RenameReport = new TRenameReport([owner] { return owner->directory(); }, owner);
    windows.LogWindow = new TLogWindow(owner);
    windows.History = new THistory(owner);
    windows.ClipWindow = new TClipWindow(owner);
    form->createWindows(windows);
    // The windows talk through signals: the dialog's renames go to the log, the log's undo
    // refreshes the file list.
    QObject::connect(windows.RenameReport, &TRenameReport::renamed, windows.LogWindow, &TLogWindow::AddLogEntries);
    QObject::connect(windows.LogWindow, &TLogWindow::undone, owner, [owner] { owner->fileList().RefreshFileList(); });
    return form;
}

}  // namespace moxtal
