#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "browse/file_list.h"
#include "browse/folder_source.h"
#include "core/rename_log.h"
#include "core/settings_format.h"
#include "platform/journal.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;
class QToolButton;

namespace moxtal {

class TFolderView;
class TRenameReport;
class TLogWindow;
class THistory;
class TClipWindow;

// The other windows of the run, created once each after the main window.
struct Windows {
    TRenameReport* RenameReport = nullptr;
    TLogWindow* LogWindow = nullptr;
    THistory* History = nullptr;
    TClipWindow* ClipWindow = nullptr;
};

// The main window: folder tree, file list, pattern and replacement, and the menus.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1(std::unique_ptr<FolderSource> folders, std::vector<std::string> arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // Creates the other four windows; called once, right after the main window is created.
    void createWindows(Windows windows);
    const Windows& windows() const { return m_windows; }

    const std::string& applicationFolder() const { return m_applicationFolder; }
    // Where main.cfg and pattern.cfg live (chosen once, when the window is made), ending with "/".
    const std::string& settingsFolder() const { return m_settingsFolder; }
    // Another settings folder, before the window is first shown (tests use a temporary one).
    void setSettingsFolder(std::string folder) { m_settingsFolder = std::move(folder); }
    // Applies main.cfg's values that were read to this window and the others, value by value in
    // the file's order; and gathers them from all windows to be saved.
    void applySettings(const MainCfgRead& read);
    MainSettings currentSettings() const;
    // Gives the file list that width; the folder tree takes the rest.
    void setFileListWidth(int width);
    bool shown() const { return m_shown; }
    FileList& fileList() { return m_fileList; }
    // The folder selected in the folder tree; empty when none is.
    std::string directory() const;
    // The next sequence number after the last job; none when it does not fit in 32 bits.
    std::optional<std::int32_t> sequenceCounter() const { return m_sequenceCounter; }

signals:
    // The main window has closed: the application ends.
    void closed();
    // The name box renamed a file: the hand-over for the rename log, as a pass of its own, with
    // the journal file that holds it.
    void renamed(std::vector<TLogEntry> log, JournalRecord journal);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTopPanel();
    void buildBottomPanel();
    void buildMenus();
    // Places the controls of "SequenceNo." inside its frame under the current style.
    void placeSequenceControls();
    void FormShow();
    // Restores main.cfg; a damaged file keeps every value applied before the failing line, then
    // throws AppError with the reader's message.
    void LoadSettings();
    void SaveSettings();
    // Reloads the preset store from pattern.cfg (when there is one) and rebuilds "Load Preset":
    // one entry per preset, a comment "-" a separator.
    void BuildPresetMenu();
    // Selects the saved folder and lists it; a folder the tree cannot select gives the
    // application folder, unlisted.
    void selectSavedFolder(const std::string& folder);
    void applyCommandLine();
    void moveSelected(int by);
    // The heading's arrow shows the order the rows are in; none once a row was moved by hand.
    void showRowOrder();
    // The title and the list's tool tip say when the listed folder changed on disk since.
    void showChangedOnDisk();
    void focusNameBox();
    // Lets the history editor edit the box's item list.
    void editHistory(QComboBox* box);

    // Event handlers.
    void ButtonDoitClick();
    // The direct rename: Enter in the name box renames the selected file to the typed base name.
    void Edit1KeyDown(int key);
    void ExtensionChange();
    void FolderView1Change(const std::string& path);
    void FileListView1Change();
    void FileListView1DblClick();
    void FileListView1ColumnClick(int section);
    void RefreshList1Click();
    void UplistExecute();
    void DownListExecute();
    void PasteFilenameExecute();
    void InsertFilenameExecute();
    void PastefromClipboardExecute();
    void InsertfromClipboardExecute();
    void ShowLogWindow1Click();
    void ClipboardReplace1Click();
    void PopupMenu1Popup();
    // The paste items of the replacement box's menu follow the clipboard as the menu opens.
    void PopupMenu4Popup();
    void SavePattern1Click();
    void Dummy1Click(int preset);
    void LoadpesetClick();
    void History1Click();
    void History2Click();
    // Where the preset popup of ">>" opens: 190 right of and 20 below the window's corner.
    QPoint presetPopupPosition() const;
    void updateActions();

    // The selected row of the file list, or -1.
    int selectedRow() const;
    void selectRow(int row);

    // Controls, under their design names, which are also their object names: other code and the
    // tests find a control by that name.
    QWidget* topPanel;
    QWidget* bottomPanel;
    QWidget* Panel4;
    QSplitter* Splitter1;
    QGroupBox* SequenceNo;
    QCheckBox* CheckBoxCont;
    QLineEdit* seqstart;
    QLabel* Label3;
    QLineEdit* seqStep;
    QPushButton* Loadpeset;
    QComboBox* pattern;
    QComboBox* RepStr;
    QPushButton* ButtonDoit;
    QLabel* Panel1;
    QLineEdit* Extension;
    QLineEdit* Edit1;
    QLabel* Extention;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QPushButton* CloseButton;
    TFolderView* FolderView1;
    QTableView* FileListView1;

    QMenu* PopupMenu1;
    QMenu* PopupMenu3;
    QMenu* PopupMenu4;
    QMenu* PopupMenu2;
    QAction* Dummy1;
    QAction* RefreshList1;
    QMenu* LoadParrern1;
    QAction* SavePattern1;
    QAction* ShowLogWindow1;
    QAction* ClipboardReplace1;
    QAction* History1;
    QAction* History2;

    QAction* Uplist;
    QAction* DownList;
    QAction* PasteFilename;
    QAction* InsertFilename;
    QAction* PastefromClipboard;
    QAction* InsertfromClipboard;

    std::unique_ptr<FolderSource> m_folders;
    std::vector<std::string> m_arguments;
    std::string m_applicationFolder;
    std::string m_settingsFolder;
    PresetStore m_presetStore;  // pattern.cfg's lines as last read
    bool m_shown = false;
    bool m_firstShowDone = false;
    std::optional<std::int32_t> m_sequenceCounter = 0;
    FileList m_fileList;
    Windows m_windows;
};

}  // namespace moxtal
