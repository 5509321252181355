#include "settings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include "app/mainwin.h"
#include "browse/folderview.h"
#include "clipboard/clipwin.h"
#include "core/screen_fit.h"
#include "core/settings_format.h"
#include "dialogs/rpllist.h"
#include "dialogs/ui_common.h"
#include "platform/desktop.h"
#include "platform/file_ops.h"

namespace moxtal {

namespace {

using F = MainCfgField;

F nextField(F field, int by)
{
    return static_cast<F>(static_cast<int>(field) + by);
}

std::vector<ScreenArea> screenAreas()
{
    std::vector<ScreenArea> areas;
    QList<QScreen*> screens = QGuiApplication::screens();
    // The primary screen first: a window that is on no screen goes there.
    std::stable_partition(screens.begin(), screens.end(),
                          [](const QScreen* s) { return s == QGuiApplication::primaryScreen(); });
    for (const QScreen* screen : screens) {
        const QRect a = screen->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    return areas;
}

// Applies the bounds values that were read, brought onto a screen; the window's own size limits
// then apply. Bounds are the client area's, as the user sees the window placed and sized, so that a
// restore puts it back exactly and start/close cycles never move it under a window manager.
void applyBounds(QWidget* window, const WindowBounds& bounds, const MainCfgRead& read, F top)
{
    if (!read.has(top))
        return;
    const QRect now = window->geometry();
    WindowBounds b {bounds.top, now.x(), now.width(), now.height()};
    if (read.has(nextField(top, 1)))
        b.left = bounds.left;
    if (read.has(nextField(top, 2)))
        b.width = bounds.width;
    if (read.has(nextField(top, 3)))
        b.height = bounds.height;
    b = fitOnScreens(b, screenAreas());
    window->setGeometry(b.left, b.top, b.width, b.height);
}

// A window's bounds as applyBounds takes them. A window that has never been placed is where it
// would first appear: centred over the main window.
WindowBounds boundsOf(const QWidget* window, const QWidget* mainWindow)
{
    QRect at = window->geometry();
    if (!window->testAttribute(Qt::WA_WState_Created) && !window->testAttribute(Qt::WA_Moved))
        at.moveCenter(mainWindow->geometry().center());
    return {at.y(), at.x(), at.width(), at.height()};
}

// Appends items to a box's list; its text stays (a box's first item would otherwise replace it).
void appendItems(QComboBox* box, const std::vector<std::string>& items)
{
    std::vector<std::string> all = comboItems(box);
    all.insert(all.end(), items.begin(), items.end());
    setComboItems(box, all);
}

std::string withoutFinalSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// Selects the saved folder and lists it; a folder the tree cannot select gives the application
// folder, unlisted.
void selectSavedFolder(TForm1& form, const std::string& folder)
{
    if (form.FolderView1->SetDirectory(folder)) {
        form.fileList().ListFolder(form.FolderView1->Directory(), false);
        return;
    }
    form.FolderView1->SetDirectory(withoutFinalSlash(form.applicationFolder()));
}

}  // namespace

std::optional<std::string> readSettingsFile(const std::string& path)
{
    if (!pathExists(path))
        return std::nullopt;
    std::optional<std::string> text = readWholeFile(path);
    if (!text)
        throw AppError("ファイル " + path + " は開けません");
    return text;
}

void LoadSettings(TForm1& form)
{
    const std::optional<std::string> text = readSettingsFile(form.settingsFolder() + kMainCfg);
    if (!text)
        return;
    const MainCfgRead read = readMainCfg(*text);
    const MainSettings& v = read.values;
    TClipWindow* clip = form.windows().ClipWindow;
    TRenameReport* report = form.windows().RenameReport;

    applyBounds(&form, v.main, read, F::MainTop);
    if (read.has(F::Pattern))
        form.pattern->setEditText(displayText(v.pattern));
    if (read.has(F::Replacement))
        form.RepStr->setEditText(displayText(v.replacement));
    if (read.has(F::Filter))
        form.Extension->setText(displayText(v.filter));  // the file list takes the filter at once
    if (read.has(F::Folder))
        selectSavedFolder(form, v.folder);
    if (read.started(F::PatternHistory))
        appendItems(form.pattern, v.patternHistory);
    if (read.started(F::ReplacementHistory))
        appendItems(form.RepStr, v.replacementHistory);
    if (read.has(F::FileListWidth))
        form.setFileListWidth(v.fileListWidth);
    if (report)
        applyBounds(report, v.report, read, F::ReportTop);
    if (clip) {
        if (read.started(F::ClipPatternHistory))
            appendItems(clip->pattern, v.clipPatternHistory);
        if (read.started(F::ClipReplacementHistory))
            appendItems(clip->RepStr, v.clipReplacementHistory);
        applyBounds(clip, v.clip, read, F::ClipTop);
    }
    if (!read.error.empty())
        throw AppError(read.error);
}

void SaveSettings(TForm1& form)
{
    MainSettings s;
    s.main = boundsOf(&form, &form);
    s.pattern = form.pattern->currentText().toStdString();
    s.replacement = form.RepStr->currentText().toStdString();
    s.filter = form.Extension->text().toStdString();
    s.folder = form.FolderView1->Directory();
    s.patternHistory = comboItems(form.pattern);
    s.replacementHistory = comboItems(form.RepStr);
    s.fileListWidth = form.FileListView1->width();
    if (const TRenameReport* report = form.windows().RenameReport)
        s.report = boundsOf(report, &form);
    if (const TClipWindow* clip = form.windows().ClipWindow) {
        s.clipPatternHistory = comboItems(clip->pattern);
        s.clipReplacementHistory = comboItems(clip->RepStr);
        s.clip = boundsOf(clip, &form);
    }
    const std::string& folder = form.settingsFolder();
    makeFolders(folder);
    writeWholeFile(folder + kMainCfg, writeMainCfg(s));
}

void BuildPresetMenu(TForm1& form)
{
    if (std::optional<std::string> text = readSettingsFile(form.settingsFolder() + kPatternCfg))
        form.presetStore() = linesOf(*text);
    form.rebuildPresetMenu();
}

void registerCurrentPreset(TForm1& form, const std::string& comment)
{
    const std::string& folder = form.settingsFolder();
    PresetStore& store = form.presetStore();
    if (std::optional<std::string> text = readSettingsFile(folder + kPatternCfg))
        store = linesOf(*text);
    registerPreset(store, {comment, form.pattern->currentText().toStdString(), form.RepStr->currentText().toStdString()});
    makeFolders(folder);
    writeWholeFile(folder + kPatternCfg, writePresetStore(store));
    BuildPresetMenu(form);
}

}  // namespace moxtal
