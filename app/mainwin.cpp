#include "mainwin.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

#include "browse/folderview.h"
#include "clipboard/clipwin.h"
#include "core/rename_job.h"
#include "core/settings_format.h"
#include "core/version.h"
#include "dialogs/historywin.h"
#include "dialogs/logwin.h"
#include "dialogs/rpllist.h"
#include "platform/file_icons.h"
#include "platform/file_times.h"
#include "platform/listing.h"
#include "platform/name_text.h"
#include "platform/opener.h"
#include "platform/paths.h"
#include "platform/renames.h"
#include "settings/settings.h"
#include "ui/accessible_names.h"
#include "ui/clipboard_text.h"
#include "ui/combo_history.h"
#include "ui/fonts.h"
#include "ui/handlers.h"
#include "ui/idle.h"
#include "ui/long_work.h"
#include "ui/seams.h"
#include "ui/widgets.h"
#include "ui/window_bounds.h"

namespace moxtal {

namespace {

std::string textOf(const QLineEdit* edit)
{
    return editText(edit);
}

std::string textOf(const QComboBox* box)
{
    return comboText(box);
}

template <typename Control>
Control* place(Control* control, const char* name, int left, int top, int width, int height, const QString& hint = {})
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(left, top, width, height);
    if (!hint.isEmpty())
        control->setToolTip(hint);
    return control;
}

// A label sits at its designed top-left corner and takes the size of its text.
QLabel* placeLabel(QLabel* label, const char* name, int left, int top)
{
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

// The design's places of the "SequenceNo." frame's controls, from the frame's top-left corner, and
// the frame's designed size.
constexpr QPoint kCheckBoxContAt {8, 12};
constexpr QPoint kSeqstartAt {96, 8};
constexpr QPoint kLabel3At {64, 40};
constexpr QPoint kSeqStepAt {96, 32};
constexpr QSize kSequenceNoSize {160, 57};
constexpr int kLabelGap = 4;  // the least room between "Step" and its box
constexpr int kTopPanelHeight = 65;
constexpr int kTopPanelBelowFrame = kTopPanelHeight - kSequenceNoSize.height();

// The window's title, and what it and the file list say while the list is out of date.
const QString kTitle = QStringLiteral("Mox-Tal");
const QString kChangedOnDiskMark = QStringLiteral(" (changed on disk: press F5)");
const QString kChangedOnDiskHint =
    QStringLiteral("The folder changed on disk since it was listed: press F5 (\"Refresh FileList\") to list it again.");

// Files between two steps of a long job's progress.
constexpr std::size_t kStepEvery = 1024;

// Ends a job whose user chose "Cancel" while its rows were computed.
struct JobCancelled { };

// Replaces the selection of a combo box's edit part, or inserts at its caret.
void replaceSelection(QComboBox* box, const QString& text)
{
    box->lineEdit()->insert(text);
}

}  // namespace

TForm1::TForm1(std::unique_ptr<FolderSource> folders, std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent), m_folders(std::move(folders)), m_arguments(std::move(arguments))
{
    // FormCreate: the folder of the executable holds the settings files.
    m_applicationFolder = moxtal::applicationFolder();
    m_settingsFolder = settingsFolderFor(m_applicationFolder);

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    setFont(interfaceFont(kProportionalFont));
    resize(510, 416);
    setMinimumWidth(510);

    topPanel = new QWidget(this);
    topPanel->setObjectName(QStringLiteral("topPanel"));
    topPanel->setFixedHeight(kTopPanelHeight);
    bottomPanel = new QWidget(this);
    bottomPanel->setObjectName(QStringLiteral("bottomPanel"));
    bottomPanel->setFixedHeight(37);
    buildTopPanel();
    buildBottomPanel();

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(6);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setOpaqueResize(false);  // dragged as a line
    Panel4 = new QWidget(Splitter1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    FolderView1 = new TFolderView(*m_folders, Panel4);
    FolderView1->setObjectName(QStringLiteral("FolderView1"));
    auto* panel4Layout = new QVBoxLayout(Panel4);
    panel4Layout->setContentsMargins(0, 0, 0, 0);
    panel4Layout->addWidget(FolderView1);

    FileListView1 = makeRowTable(Splitter1, "FileListView1", &m_fileList.model());
    FileListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileListView1->setShowGrid(true);
    FileListView1->setSortingEnabled(false);
    FileListView1->horizontalHeader()->setSectionsClickable(true);
    FileListView1->horizontalHeader()->setHighlightSections(false);
    // The heading shows the order the rows are in, as the list keeps it (sorting stays off, so that
    // the header never sorts or turns its arrow by a rule of its own).
    FileListView1->horizontalHeader()->setSortIndicatorShown(true);
    FileListView1->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    FileListView1->setMinimumWidth(300);
    FileListView1->setColumnWidth(FileListModel::NameColumn, 150);
    FileListView1->setColumnWidth(FileListModel::SizeColumn, 70);
    // The designed 130 pixels, widened when the interface font needs more for a full date.
    const int dateWidth = FileListView1->fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00 00:00:00")) + 12;
    FileListView1->setColumnWidth(FileListModel::DateColumn, std::max(130, dateWidth));
    FileListView1->setIconSize(QSize(16, 16));
    FolderView1->setAccessibleName(QStringLiteral("Folders"));
    FileListView1->setAccessibleName(QStringLiteral("Files"));
    Splitter1->addWidget(Panel4);
    Splitter1->addWidget(FileListView1);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({134, 370});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(topPanel);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(bottomPanel);

    buildMenus();

    setTabOrder(seqstart, seqStep);
    setTabOrder(seqStep, CheckBoxCont);
    setTabOrder(CheckBoxCont, pattern);
    setTabOrder(pattern, RepStr);
    setTabOrder(RepStr, ButtonDoit);
    setTabOrder(ButtonDoit, FolderView1);
    setTabOrder(FolderView1, FileListView1);
    setTabOrder(FileListView1, Extension);
    setTabOrder(Extension, Edit1);
    setTabOrder(Edit1, CloseButton);

    connectHandler(ButtonDoit, &QPushButton::clicked, this, &TForm1::ButtonDoitClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(Extension, &QLineEdit::textChanged, this, &TForm1::ExtensionChange);
    Edit1->installEventFilter(this);
    FileListView1->installEventFilter(this);
    connect(FolderView1, &TFolderView::directoryChanged, this, &TForm1::FolderView1Change);
    connect(FileListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TForm1::FileListView1Change);
    // A relisting drops the selection without a selection signal; the name box must follow it.
    connect(&m_fileList.model(), &QAbstractItemModel::modelReset, this, &TForm1::FileListView1Change);
    // Every change of the rows' order: a listing, a sort, a moved row, a renamed one.
    const FileListModel* files = &m_fileList.model();
    connect(files, &QAbstractItemModel::modelReset, this, &TForm1::showRowOrder);
    connect(files, &QAbstractItemModel::layoutChanged, this, &TForm1::showRowOrder);
    connect(files, &QAbstractItemModel::rowsMoved, this, &TForm1::showRowOrder);
    connect(files, &QAbstractItemModel::dataChanged, this, &TForm1::showRowOrder);
    // A listing starts the watch of the folder afresh; a change heard marks the list out of date.
    connect(files, &QAbstractItemModel::modelReset, this, &TForm1::showChangedOnDisk);
    connect(&m_fileList.folderWatch(), &FolderWatch::changed, this, &TForm1::showChangedOnDisk);
    connect(FileListView1, &QTableView::clicked, this, &TForm1::focusNameBox);
    connect(FileListView1, &QTableView::doubleClicked, this, &TForm1::FileListView1DblClick);
    connect(FileListView1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TForm1::FileListView1ColumnClick);

    // A listing that takes long shows its progress and can be cancelled (the list stays empty).
    m_fileList.setProgress([this] {
        auto work = std::make_shared<LongWork>(this, QStringLiteral("Listing: %1 entries"));
        return ListingProgress([work](std::size_t seen) { return work->step(seen); });
    });
    applyHintDuration(this);
    registerIdleUpdate(this, [this] { updateActions(); });
    FolderView1->Loaded();
}

TForm1::~TForm1() = default;

void TForm1::buildTopPanel()
{
    SequenceNo = place(new QGroupBox(QStringLiteral("SequenceNo."), topPanel), "SequenceNo", 9, 0,
                       kSequenceNoSize.width(), kSequenceNoSize.height(), tr("連番の設定"));
    CheckBoxCont = place(new QCheckBox(QStringLiteral("Continious"), SequenceNo), "CheckBoxCont", kCheckBoxContAt.x(),
                         kCheckBoxContAt.y(), 77, 17, tr("続けて連番"));
    seqstart = place(new QLineEdit(QStringLiteral("0"), SequenceNo), "seqstart", kSeqstartAt.x(), kSeqstartAt.y(), 57,
                     20, tr("連番開始番号"));
    Label3 = placeLabel(new QLabel(QStringLiteral("Step"), SequenceNo), "Label3", kLabel3At.x(), kLabel3At.y());
    seqStep = place(new QLineEdit(QStringLiteral("1"), SequenceNo), "seqStep", kSeqStepAt.x(), kSeqStepAt.y(), 57, 20,
                    tr("連番増分"));
    Label3->setBuddy(seqStep);
    // The frame's caption names the frame; each box speaks for itself to a screen reader.
    seqstart->setAccessibleName(QStringLiteral("Start"));
    seqStep->setAccessibleName(Label3->text());
    placeSequenceControls();
    // A style or font that changes the frame's title or border places the controls anew.
    SequenceNo->installEventFilter(this);
    Loadpeset = place(new QPushButton(QStringLiteral(">>"), topPanel), "Loadpeset", 184, 14, 41, 41,
                      tr("プリセットの呼び出し"));
    Loadpeset->setFocusPolicy(Qt::NoFocus);

    auto makeCombo = [this](const char* name, const QString& text, int left, int top, int width, const QString& hint) {
        auto* box = place(makeEditableCombo(topPanel, name, text), name, left, top, width, 20, hint);
        // The box's own menu, on its text and on the box itself: the Menu key and Shift+F10 reach
        // the box, which would open the text's standard edit menu.
        box->lineEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        return box;
    };
    pattern = makeCombo("pattern", QStringLiteral("(.*)"), 233, 10, 176, tr("検索文字列"));
    RepStr = makeCombo("RepStr", QStringLiteral("\\1"), 232, 34, 177, tr("置換文字列"));
    // Without a name of their own the boxes would be read out by whatever text they hold.
    setAccessibleComboName(pattern, QStringLiteral("Pattern"));
    setAccessibleComboName(RepStr, QStringLiteral("Replacement"));
    Loadpeset->setAccessibleName(QStringLiteral("Load Preset"));
    ButtonDoit = place(new QPushButton(QStringLiteral("Do!"), topPanel), "ButtonDoit", 414, 32, 75, 25, tr("処理開始"));
}

void TForm1::placeSequenceControls()
{
    // The design's places assume a title and border that leave its controls room from the frame's
    // corner on; where the style's title and border take more (Fusion draws the title above the
    // frame's top line), the controls move in by the difference, keeping their order, distances
    // and sizes, and the frame (and the panel holding it) grows to hold them.
    // The designed 77 pixels, widened up to the start box when the interface font needs more.
    CheckBoxCont->resize(std::clamp(CheckBoxCont->sizeHint().width(), 77, kSeqstartAt.x() - kCheckBoxContAt.x()), 17);
    // "Step" keeps its designed left edge while its text leaves room before the step box; a wider
    // text moves it left instead of under the box.
    Label3->adjustSize();
    const QPoint labelAt(std::max(0, std::min(kLabel3At.x(), kSeqStepAt.x() - kLabelGap - Label3->width())),
                         kLabel3At.y());
    const std::pair<QWidget*, QPoint> places[] = {
        {CheckBoxCont, kCheckBoxContAt}, {seqstart, kSeqstartAt}, {Label3, labelAt}, {seqStep, kSeqStepAt}};
    QRect design;
    for (const auto& [control, at] : places)
        design |= QRect(at, control->size());
    const QMargins border = SequenceNo->contentsMargins();
    const QPoint shift(std::max(0, border.left() - design.left()), std::max(0, border.top() - design.top()));
    for (const auto& [control, at] : places)
        control->move(at + shift);
    const QRect moved = design.translated(shift);
    SequenceNo->resize(std::max(kSequenceNoSize.width(), moved.right() + 1 + border.right()),
                       std::max(kSequenceNoSize.height(), moved.bottom() + 1 + border.bottom()));
    topPanel->setFixedHeight(std::max(kTopPanelHeight, SequenceNo->geometry().bottom() + 1 + kTopPanelBelowFrame));
}

void TForm1::buildBottomPanel()
{
    Panel1 = place(new QLabel(QStringLiteral("?"), bottomPanel), "Panel1", 8, 8, 25, 25,
                   QStringLiteral("Mox-Tal Ver ") + QLatin1String(kVersion));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Extension = place(new QLineEdit(QStringLiteral("*.*"), bottomPanel), "Extension", 48, 9, 81, 20,
                      tr("フィルタ(*.* ですべてのファイル)"));
    Extension->setFont(interfaceFont(kFixedFont));
    Edit1 = place(new QLineEdit(bottomPanel), "Edit1", 132, 9, 193, 20, tr("エンターキーで名前変更"));
    Edit1->setMaxLength(1024);
    Extention = placeLabel(new QLabel(bottomPanel), "Extention", 328, 18);
    SpeedButton1 = place(new QToolButton(bottomPanel), "SpeedButton1", 360, 11, 23, 22, tr("上に移動"));
    SpeedButton2 = place(new QToolButton(bottomPanel), "SpeedButton2", 384, 11, 23, 22, tr("下に移動"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    Extension->setAccessibleName(QStringLiteral("Filter"));
    Edit1->setAccessibleName(QStringLiteral("Name"));
    SpeedButton1->setAccessibleName(QStringLiteral("Move Up"));
    SpeedButton2->setAccessibleName(QStringLiteral("Move Down"));
    CloseButton =
        place(new QPushButton(QStringLiteral("Close"), bottomPanel), "CloseButton", 416, 8, 75, 25, tr("終了"));
}

void TForm1::buildMenus()
{
    auto action = [this](const char* name, const QString& caption, void (TForm1::*handler)()) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        if (handler)
            connectHandler(a, &QAction::triggered, this, handler);
        return a;
    };
    Uplist = action("Uplist", {}, &TForm1::UplistExecute);
    Uplist->setIcon(QIcon::fromTheme(QStringLiteral("go-up")));
    Uplist->setToolTip(tr("上に移動"));
    DownList = action("DownList", {}, &TForm1::DownListExecute);
    DownList->setIcon(QIcon::fromTheme(QStringLiteral("go-down")));
    DownList->setToolTip(tr("下に移動"));
    SpeedButton1->setDefaultAction(Uplist);
    SpeedButton2->setDefaultAction(DownList);
    PasteFilename = action("PasteFilename", QStringLiteral("Paste Filename"), &TForm1::PasteFilenameExecute);
    InsertFilename = action("InsertFilename", QStringLiteral("Insert Filename"), &TForm1::InsertFilenameExecute);
    PastefromClipboard =
        action("PastefromClipboard", QStringLiteral("Paste from Clipboard"), &TForm1::PastefromClipboardExecute);
    InsertfromClipboard =
        action("InsertfromClipboard", QStringLiteral("Insert from Clipboard"), &TForm1::InsertfromClipboardExecute);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    RefreshList1 = action("RefreshList1", QStringLiteral("Refresh FileList"), &TForm1::RefreshList1Click);
    // F5 anywhere in the window, the menu open or not.
    RefreshList1->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(RefreshList1);
    PopupMenu1->addAction(RefreshList1);
    PopupMenu1->addSeparator();
    LoadParrern1 = PopupMenu1->addMenu(QStringLiteral("Load Preset"));
    LoadParrern1->setObjectName(QStringLiteral("LoadParrern1"));
    // The design-time placeholder of the preset submenu; the first build removes it.
    Dummy1 = LoadParrern1->addAction(QStringLiteral("Dummy"));
    Dummy1->setObjectName(QStringLiteral("Dummy1"));
    SavePattern1 = action("SavePattern1", QStringLiteral("Register Preset"), &TForm1::SavePattern1Click);
    PopupMenu1->addAction(SavePattern1);
    PopupMenu1->addSeparator();
    ShowLogWindow1 = action("ShowLogWindow1", QStringLiteral("Show LogWindow"), &TForm1::ShowLogWindow1Click);
    PopupMenu1->addAction(ShowLogWindow1);
    PopupMenu1->addSeparator();
    ClipboardReplace1 =
        action("ClipboardReplace1", QStringLiteral("Clipboard Watcher..."), &TForm1::ClipboardReplace1Click);
    ClipboardReplace1->setCheckable(true);
    PopupMenu1->addAction(ClipboardReplace1);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm1::PopupMenu1Popup);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(mapToGlobal(at)); });

    History1 = action("History1", QStringLiteral("History..."), &TForm1::History1Click);
    History2 = action("History2", QStringLiteral("History..."), &TForm1::History2Click);
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    connectHandler(Loadpeset, &QPushButton::clicked, this, &TForm1::LoadpesetClick);
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    PopupMenu3->addActions({PasteFilename, InsertFilename});
    PopupMenu3->addSeparator();
    PopupMenu3->addAction(History1);
    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    PopupMenu4->addActions({PastefromClipboard, InsertfromClipboard});
    PopupMenu4->addSeparator();
    PopupMenu4->addAction(History2);
    for (auto [box, menu] : {std::pair {pattern, PopupMenu3}, std::pair {RepStr, PopupMenu4}}) {
        for (QWidget* control : {static_cast<QWidget*>(box), static_cast<QWidget*>(box->lineEdit())})
            connect(control, &QWidget::customContextMenuRequested, this,
                    [control, menu](const QPoint& at) { menu->popup(control->mapToGlobal(at)); });
    }
    connect(PopupMenu4, &QMenu::aboutToShow, this, &TForm1::PopupMenu4Popup);
}

void TForm1::createWindows(Windows windows)
{
    m_windows = windows;
    if (m_windows.RenameReport)
        m_windows.RenameReport->setImages(&m_fileList.model().images());
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_firstShowDone) {
        m_firstShowDone = true;
        FormShow();
    }
}

void TForm1::FormShow()
{
    m_fileList.SetupFileList();
    // A damaged settings file is reported, and the rest of the start-up still runs, so that the
    // window is fully usable.
    runHandler(this, [this] { LoadSettings(); });
    applyCommandLine();
    m_presetStore.clear();
    runHandler(this, [this] { BuildPresetMenu(); });
    pattern->setFocus();
    m_shown = true;
}

void TForm1::applyCommandLine()
{
    if (m_arguments.empty())
        return;
    const std::string argument = absolutePath(m_arguments.front());
    std::string target = argument;
    if (!isDirectory(argument)) {
        const std::size_t slash = argument.rfind('/');
        target = slash == std::string::npos ? std::string() : argument.substr(0, slash + 1);
    }
    const std::string folder = withoutFinalSlash(target);
    const std::size_t slash = folder.rfind('/');
    const bool hidden = slash != std::string::npos && folder.size() > slash + 1 && folder[slash + 1] == '.';
    if (target.empty() || !isDirectory(target) || hidden)
        return;
    try {
        FolderView1->SetDirectory(target);
    } catch (const std::exception&) {
        // A folder the tree cannot select leaves the tree's own selection.
    }
    m_fileList.ListFolder(FolderView1->Directory(), false);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A settings file that cannot be written is reported; the window still closes.
    runHandler(this, [this] { SaveSettings(); });
    m_presetStore.clear();
    QWidget::closeEvent(event);
    emit closed();
}

void TForm1::LoadSettings()
{
    const std::optional<MainCfgRead> read = loadMainCfg(m_settingsFolder);
    if (!read)
        return;
    applySettings(*read);
    if (!read->error.empty())
        throw AppError(read->error);
}

void TForm1::applySettings(const MainCfgRead& read)
{
    using F = MainCfgField;
    const MainSettings& v = read.values;
    applyWindowBounds(this, v.main, read, F::MainTop);
    if (read.has(F::Pattern))
        setComboText(pattern, v.pattern);
    if (read.has(F::Replacement))
        setComboText(RepStr, v.replacement);
    if (read.has(F::Filter))
        setEditText(Extension, v.filter);  // the file list takes the filter at once
    if (read.has(F::Folder))
        selectSavedFolder(v.folder);
    if (read.started(F::PatternHistory))
        appendComboItems(pattern, v.patternHistory);
    if (read.started(F::ReplacementHistory))
        appendComboItems(RepStr, v.replacementHistory);
    if (read.has(F::FileListWidth))
        setFileListWidth(v.fileListWidth);
    if (m_windows.RenameReport)
        m_windows.RenameReport->applySettings(read);
    if (m_windows.ClipWindow)
        m_windows.ClipWindow->applySettings(read);
}

void TForm1::selectSavedFolder(const std::string& folder)
{
    if (FolderView1->SetDirectory(folder)) {
        m_fileList.ListFolder(FolderView1->Directory(), false);
        return;
    }
    FolderView1->SetDirectory(withoutFinalSlash(m_applicationFolder));
}

MainSettings TForm1::currentSettings() const
{
    MainSettings s;
    s.main = windowBounds(this, this);
    s.pattern = textOf(pattern);
    s.replacement = textOf(RepStr);
    s.filter = textOf(Extension);
    s.folder = FolderView1->Directory();
    s.patternHistory = comboItems(pattern);
    s.replacementHistory = comboItems(RepStr);
    s.fileListWidth = FileListView1->width();
    if (m_windows.RenameReport)
        m_windows.RenameReport->collectSettings(s, this);
    if (m_windows.ClipWindow)
        m_windows.ClipWindow->collectSettings(s, this);
    return s;
}

void TForm1::SaveSettings()
{
    saveMainCfg(m_settingsFolder, currentSettings());
}

void TForm1::BuildPresetMenu()
{
    if (std::optional<PresetStore> store = loadPresetStore(m_settingsFolder))
        m_presetStore = std::move(*store);
    LoadParrern1->clear();
    Dummy1 = nullptr;
    for (std::size_t n = 0; n < presetCount(m_presetStore); ++n) {
        const std::string comment = presetAt(m_presetStore, n).comment;
        if (comment == "-") {
            LoadParrern1->addSeparator();
            continue;
        }
        QAction* entry = LoadParrern1->addAction(displayText(comment));
        entry->setData(static_cast<int>(n));
        connect(entry, &QAction::triggered, this, [this, n] { Dummy1Click(static_cast<int>(n)); });
    }
}

void TForm1::setFileListWidth(int width)
{
    if (QLayout* main = layout())
        main->activate();
    width = std::max(width, FileListView1->minimumWidth());
    const int total = Splitter1->width() - Splitter1->handleWidth();
    Splitter1->setSizes({std::max(0, total - width), width});
}

void TForm1::SavePattern1Click()
{
    // Cancelling the prompt registers an empty comment: the prompt offers no way back.
    const std::optional<QString> comment =
        InputPrompt::ask(this, QStringLiteral("Save Pattern"), QStringLiteral("Comment"), 255);
    // The store is read again first: another copy of the program may have added presets.
    if (std::optional<PresetStore> store = loadPresetStore(m_settingsFolder))
        m_presetStore = std::move(*store);
    registerPreset(m_presetStore, {bytesOfText(comment.value_or(QString())), textOf(pattern), textOf(RepStr)});
    savePresetStore(m_settingsFolder, m_presetStore);
    BuildPresetMenu();
}

void TForm1::Dummy1Click(int preset)
{
    if (preset < 0)
        return;
    const Preset chosen = presetAt(m_presetStore, static_cast<std::size_t>(preset));
    setComboText(pattern, chosen.pattern);
    setComboText(RepStr, chosen.replacement);
    pattern->setFocus();
}

QPoint TForm1::presetPopupPosition() const
{
    return pos() + QPoint(190, 20);
}

void TForm1::LoadpesetClick()
{
    PopupMenu2->clear();
    for (QAction* entry : LoadParrern1->actions()) {
        if (entry->isSeparator()) {
            PopupMenu2->addSeparator();
            continue;
        }
        QAction* copy = PopupMenu2->addAction(entry->text());
        copy->setData(entry->data());
        connect(copy, &QAction::triggered, entry, &QAction::trigger);
    }
    PopupMenu2->popup(presetPopupPosition());
}

void TForm1::History1Click()
{
    editHistory(pattern);
}

void TForm1::History2Click()
{
    editHistory(RepStr);
}

void TForm1::editHistory(QComboBox* box)
{
    if (!m_windows.History)
        return;
    const std::vector<std::string> items = comboItems(box);
    // An unedited list leaves the box as it was.
    if (const std::optional<std::vector<std::string>> edited = m_windows.History->EditHistory(items);
        edited && *edited != items)
        setComboItems(box, *edited);
}

std::string TForm1::directory() const
{
    return FolderView1->Directory();
}

void TForm1::FolderView1Change(const std::string& path)
{
    if (m_shown)
        m_fileList.ListFolder(path, false);
}

void TForm1::ExtensionChange()
{
    m_fileList.SetFilter(textOf(Extension));
}

void TForm1::RefreshList1Click()
{
    m_fileList.RefreshFileList();
}

void TForm1::ButtonDoitClick()
{
    const std::string folder = FolderView1->Directory();
    JobTexts texts {textOf(pattern), textOf(RepStr), textOf(seqstart), textOf(seqStep)};
    // A start or step that is no integer ends the job before the dialog's list is touched.
    const JobNumbers numbers = parseJobNumbers(texts);

    // A long job shows its progress until the dialog opens. "Cancel" before then ends it as if it
    // never started: the dialog's list, the sequence counter and the histories stay as they were.
    TRenameReport& report = *m_windows.RenameReport;
    JobResult job;
    {
        const std::vector<FileEntry>& files = m_fileList.model().entries();
        LongWork work(this,
                      QStringLiteral("Proposing new names: %1 of ") + QString::number(files.size()) +
                          QStringLiteral(" files"),
                      files.size());
        // The date text of a file, made only when the replacement asks for it, lives until the next.
        const bool usesDate = replacementUsesDate(texts.replacement);
        std::string date;
        auto entryAt = [&](std::size_t i) {
            if (i % kStepEvery == 0 && !work.step(i))
                throw JobCancelled {};
            if (usesDate)
                date = dateTextOf(files[i].timeStamp);
            return JobEntry {files[i].name, files[i].image, date};
        };
        try {
            job = computeRenameRows(folder, files.size(), entryAt, texts, numbers);
        } catch (const JobCancelled&) {
            return;
        }
        // The names of the listing stand for the folder's only while nothing was heard to change
        // it; else the dialog reads the names it holds now.
        if (!report.setPlan({folder, m_fileList.listedIdentity(), std::move(job.rows),
                             m_fileList.changedOnDisk() ? nullptr : m_fileList.listedNames()},
                            &work))
            return;
    }
    m_sequenceCounter = job.counter;
    // The pass's own renames are no news: the list is listed anew after a pass that renamed
    // anything; after one that renamed nothing, what others changed meanwhile is heard then.
    const FolderWatch::Pause ownPass(m_fileList.folderWatch());
    report.exec();

    if (!report.renameDone())
        return;
    promoteComboHistory(pattern);
    promoteComboHistory(RepStr);
    // A next number that does not fit in 32 bits is none the box could hold: it keeps its text.
    if (CheckBoxCont->isChecked() && m_sequenceCounter)
        seqstart->setText(QString::number(*m_sequenceCounter));
    m_fileList.RefreshFileList();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SequenceNo && event->type() == QEvent::ContentsRectChange)
        placeSequenceControls();
    // Every key goes on to the box; Enter also renames.
    if (watched == Edit1 && event->type() == QEvent::KeyPress)
        Edit1KeyDown(static_cast<QKeyEvent*>(event)->key());
    // Ctrl+Up and Ctrl+Down in the file list move the selected file, as the buttons beside the
    // name box do (those take no focus); the list keeps the focus.
    if (watched == FileListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
            (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            if (key->key() == Qt::Key_Up)
                UplistExecute();
            else
                DownListExecute();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::Edit1KeyDown(int key)
{
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || Edit1->text().isEmpty())
        return;
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::string folder = FolderView1->Directory();
    if (folder.empty() || folder[0] != '/')
        return;  // the computer node lists nothing and renames nothing
    const std::string oldName = m_fileList.model().entry(row).name;
    const NameParts parts = splitBaseName(oldName);
    // The box holds the name through the lossless mapping: bytes that are not UTF-8 and that the
    // user did not touch stay as they were.
    const std::string newName = bytesOfText(Edit1->text()) + std::string(parts.extension);
    std::optional<FileIdentity> identity;
    if (pathExists(joinPath(folder, newName)))
        return;
    // The rename goes to the journal's direct-renames file before it is tried.
    JournalPass journal(JournalPass::Kind::DirectRename);
    const auto writeAhead = [&journal](const std::vector<TLogEntry>& entries) { return journal.writeAhead(entries); };
    if (!renameNoReplace(folder, oldName, newName, &identity, writeAhead)) {
        journal.finish({});
        return;
    }
    // The row takes the new name in place, so this rename is no change the list has missed.
    m_fileList.folderWatch().takeOwnRename({oldName, newName, caseChangeTemporaryName(oldName)});
    m_fileList.renameEntry(row, newName);
    std::vector<TLogEntry> log {TLogEntry {oldName, newName, joinPath(folder, std::string()), identity}};
    JournalRecord record = journal.finish(log);
    emit renamed(std::move(log), std::move(record));
}

int TForm1::selectedRow() const
{
    const QModelIndexList rows = FileListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TForm1::selectRow(int row)
{
    FileListView1->selectRow(row);
}

void TForm1::FileListView1Change()
{
    const int row = selectedRow();
    if (row < 0) {
        Edit1->clear();
        Extention->clear();
        return;
    }
    const NameParts parts = splitBaseName(m_fileList.model().entry(row).name);
    Edit1->setText(displayText(parts.base));
    Extention->setText(displayText(parts.extension));
    Extention->adjustSize();
}

void TForm1::focusNameBox()
{
    // Only a click on a row comes here: the arrow keys walk the list and keep the focus in it.
    // The whole name is selected, as an edit box entered by the keyboard has it: typing replaces it.
    Edit1->setFocus();
    Edit1->selectAll();
}

void TForm1::FileListView1DblClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const std::string path = joinPath(FolderView1->Directory(), m_fileList.model().entry(row).name);
    // The opener tells a file no program opens by its exit status, a moment after it started.
    const auto failed = [this] { MessageBox::show(this, QStringLiteral("Execute failed.")); };
    if (!openWithAssociatedApplication(path, this, [this, failed] { runHandler(this, failed); }))
        failed();
}

void TForm1::FileListView1ColumnClick(int section)
{
    // A long sort shows its progress; "Cancel" leaves the rows in the order they were.
    const std::size_t files = m_fileList.model().entries().size();
    LongWork work(this, QStringLiteral("Sorting %1 files"));
    m_fileList.SortByColumn(section + 1, [&](const std::function<void()>& sort) { return work.await(sort, files); });
    showRowOrder();  // the heading turned its arrow at the click, also for a sort cancelled
    const int row = selectedRow();
    if (row >= 0)
        FileListView1->scrollTo(m_fileList.model().index(row, 0));
}

void TForm1::showRowOrder()
{
    const RowOrder& order = m_fileList.order();
    FileListView1->horizontalHeader()->setSortIndicator(order.column,
                                                        order.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TForm1::showChangedOnDisk()
{
    const bool changed = m_fileList.changedOnDisk();
    setWindowTitle(changed ? kTitle + kChangedOnDiskMark : kTitle);
    FileListView1->setToolTip(changed ? kChangedOnDiskHint : QString());
}

void TForm1::moveSelected(int by)
{
    const int row = selectedRow();
    const int target = row + by;
    if (row < 0 || target < 0 || target >= m_fileList.model().rowCount())
        return;
    m_fileList.moveEntry(row, target);
    selectRow(target);
}

void TForm1::UplistExecute()
{
    moveSelected(-1);
}

void TForm1::DownListExecute()
{
    moveSelected(+1);
}

void TForm1::PasteFilenameExecute()
{
    pattern->setEditText(Edit1->text());
}

void TForm1::InsertFilenameExecute()
{
    replaceSelection(pattern, Edit1->text());
}

void TForm1::PastefromClipboardExecute()
{
    RepStr->setEditText(QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

void TForm1::InsertfromClipboardExecute()
{
    replaceSelection(RepStr, QGuiApplication::clipboard()->text(QClipboard::Clipboard));
}

void TForm1::ShowLogWindow1Click()
{
    if (TLogWindow* log = m_windows.LogWindow) {
        log->show();
        log->raise();
    }
}

void TForm1::ClipboardReplace1Click()
{
    // The action flips its own tick before this runs.
    if (TClipWindow* clip = m_windows.ClipWindow) {
        if (ClipboardReplace1->isChecked())
            clip->show();
        else
            clip->close();
    }
}

void TForm1::PopupMenu1Popup()
{
    ClipboardReplace1->setChecked(m_windows.ClipWindow && m_windows.ClipWindow->isVisible());
}

void TForm1::updateActions()
{
    const int row = selectedRow();
    const int count = m_fileList.model().rowCount();
    Uplist->setEnabled(row > 0);
    DownList->setEnabled(row >= 0 && row < count - 1);
    const bool haveName = !Edit1->text().isEmpty();
    PasteFilename->setEnabled(haveName);
    InsertFilename->setEnabled(haveName);
}

void TForm1::PopupMenu4Popup()
{
    // Asked only as the menu opens, not whenever the program falls idle: a clipboard owner that
    // never answers (Qt waits some seconds for it) holds up opening this menu, not every moment
    // of the windows.
    const bool haveText = clipboardHoldsText();
    PastefromClipboard->setEnabled(haveText);
    InsertfromClipboard->setEnabled(haveText);
}

}  // namespace moxtal
