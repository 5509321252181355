#include "rpllist.h"

#include <algorithm>

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/rename_loop.h"
#include "platform/folder_rules.h"
#include "platform/listed_job.h"
#include "platform/listing.h"
#include "platform/name_text.h"
#include "platform/renames.h"
#include "ui/fonts.h"
#include "ui/handlers.h"
#include "ui/idle.h"
#include "ui/long_work.h"
#include "ui/widgets.h"
#include "ui/window_bounds.h"

namespace moxtal {

namespace {

constexpr int kNameColumnWidth = 120;  // "Old" and "New" at least
constexpr int kWordColumnWidth = 100;  // "Status" and "Result"
constexpr std::size_t kStepEvery = 1024;  // rows between two steps of a long work's progress
const QString kCheckingLabel = QStringLiteral("Checking the new names of %1 rows");

// The rows the pass would refuse, over the names plan's folder holds now; none once rows were
// renamed (their result words say what happened).
std::vector<RowPrediction> refusalsOf(const RenamePlan& plan, const std::vector<ConfirmRow>& rows)
{
    if (std::any_of(rows.begin(), rows.end(), [](const ConfirmRow& r) { return !r.result.empty(); }))
        return {};
    const UniqueFd folder = openRenameFolder(plan.folder);
    // The names of the listing serve while the folder is the listed one and has not changed.
    const std::shared_ptr<const FolderNames>& listed = plan.listedNames;
    const bool listedStillHolds = listed && listed->settled && plan.listed && identityOf(folder.get()) == plan.listed &&
                                  folderModified(folder.get()) == listed->modified;
    std::vector<std::string> namesNow;
    if (!listedStillHolds)
        namesNow = entryNamesAt(folder.get()).value_or(std::vector<std::string> {});
    const std::vector<std::string>& held = listedStillHolds ? listed->names : namesNow;
    const std::vector<std::string_view> names(held.begin(), held.end());
    return predictRefusalsInParts(rows, names, rulesOfFolder(folder.get(), names));
}

}  // namespace

TRenameReport::TRenameReport(QWidget* parent) : QDialog(parent), m_model(new ConfirmRowModel(this))
{
    setObjectName(QStringLiteral("RenameReport"));
    setWindowTitle(QStringLiteral("Confirm"));
    setFont(interfaceFont(kProportionalFont));
    setModal(true);
    resize(456, 404);
    openWhollyOnScreen(this);

    ListView1 = makeRowTable(this, "ListView1", m_model);
    ListView1->setFont(interfaceFont(kFixedFont));
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    ListView1->setShowGrid(true);
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->horizontalHeader()->setStretchLastSection(false);
    // Long names keep both ends in view: the extension stays readable.
    ListView1->setTextElideMode(Qt::ElideMiddle);
    const int widths[] = {kNameColumnWidth, kNameColumnWidth, kWordColumnWidth, kWordColumnWidth};
    for (int c = 0; c < ConfirmRowModel::ColumnCount; ++c)
        ListView1->setColumnWidth(c, widths[c]);
    ListView1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);  // the menu a key asks for comes to the list itself
    connect(m_model, &ConfirmRowModel::oldNameEdited, this, &TRenameReport::oldNameEdited);

    auto makeAction = [this](const char* name, const QString& caption, void (TRenameReport::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        connectHandler(action, &QAction::triggered, this, handler);
        return action;
    };
    ActionRename = makeAction("ActionRename", QStringLiteral("Rename"), &TRenameReport::ButtonrenClick);
    ActionDelete = makeAction("ActionDelete", QStringLiteral("Delete"), &TRenameReport::ActionDeleteExecute);
    ActionUpperCase = makeAction("ActionUpperCase", QStringLiteral("UpperCase"), &TRenameReport::ToUpperClick);
    ActionLowercase = makeAction("ActionLowercase", QStringLiteral("Lowercase"), &TRenameReport::ToLowerClick);
    ActionExtensionUpper = makeAction("ActionExtensionUpper", QStringLiteral("UpperCase Extension"),
                                      &TRenameReport::ActionExtensionUpperExecute);
    ActionExtensionLower = makeAction("ActionExtensionLower", QStringLiteral("Lowercase Extension"),
                                      &TRenameReport::ActionExtensionLowerExecute);
    rowMenu = new QMenu(this);
    rowMenu->setObjectName(QStringLiteral("rowMenu"));
    rowMenu->addActions({ActionUpperCase, ActionLowercase});
    rowMenu->addSeparator();
    rowMenu->addActions({ActionExtensionUpper, ActionExtensionLower});
    connect(rowMenu, &QMenu::aboutToShow, this, &TRenameReport::updateActions);
    // Delete removes the selected rows, as "Remove from List" does; a cell being edited keeps the
    // key for its text.
    ActionDelete->setShortcut(QKeySequence(Qt::Key_Delete));
    addAction(ActionDelete);

    auto makeButton = [this](const char* name, const QString& caption, const QString& hint, QAction* action) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        button->setAutoDefault(false);
        if (action)
            connect(button, &QPushButton::clicked, action, &QAction::trigger);
        return button;
    };
    Buttonren = makeButton("Buttonren", QStringLiteral("Rename"), tr("リネーム実行"), ActionRename);
    DelButton = makeButton("DelButton", QStringLiteral("Remove from List"), tr("リストから項目を削除"), ActionDelete);
    ToUpper = makeButton("ToUpper", QStringLiteral("UpperCase"), tr("小文字→大文字変換"), ActionUpperCase);
    ToLower = makeButton("ToLower", QStringLiteral("Lowercase"), tr("大文字→小文字変換"), ActionLowercase);
    ButtonCancel = makeButton("ButtonCancel", QStringLiteral("Close"), tr("このウィンドウを閉じる"), nullptr);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottomPanel = new QWidget(this);
    bottomPanel->setObjectName(QStringLiteral("Panel1"));
    bottomPanel->setFixedHeight(49);
    auto* buttons = new QHBoxLayout(bottomPanel);
    buttons->setContentsMargins(8, 8, 8, 8);
    for (QPushButton* b : {Buttonren, DelButton, ToUpper, ToLower})
        buttons->addWidget(b);
    // The buttons give up their style's extra width before the dialog grows past its size.
    for (QPushButton* b : {Buttonren, DelButton, ToUpper, ToLower, ButtonCancel}) {
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 12);
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    buttons->addStretch();
    buttons->addWidget(ButtonCancel);

    reasonLine = new QLabel(this);
    reasonLine->setObjectName(QStringLiteral("reasonLine"));
    reasonLine->setAccessibleName(QStringLiteral("Reason"));
    reasonLine->setWordWrap(true);
    // Selectable for a copy, but out of the Tab chain: the dialog keeps its order of controls.
    reasonLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reasonLine->setContentsMargins(8, 4, 8, 0);
    // Two lines held even for a shorter reason, so that the list keeps still as the current row moves.
    reasonLine->setMinimumHeight(2 * reasonLine->fontMetrics().lineSpacing() + 4);
    reasonLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    reasonLine->hide();
    ListView1->setAccessibleName(QStringLiteral("Renames"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListView1);
    layout->addWidget(reasonLine);
    layout->addWidget(bottomPanel);
    connect(ListView1->selectionModel(), &QItemSelectionModel::currentChanged, this, &TRenameReport::showReason);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &TRenameReport::showReason);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TRenameReport::showReason);

    applyHintDuration(this);
    registerIdleUpdate(this, [this] { updateActions(); });
    // A test or a script may click before the application falls idle.
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TRenameReport::updateActions);
}

void TRenameReport::applySettings(const MainCfgRead& read)
{
    applyWindowBounds(this, read.values.report, read, MainCfgField::ReportTop);
}

void TRenameReport::collectSettings(MainSettings& settings, const QWidget* mainWindow) const
{
    settings.report = windowBounds(this, mainWindow);
}

bool TRenameReport::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1->viewport() && event->type() == QEvent::Resize)
        fitNameColumns();
    // A right click reaches the list's viewport, a menu key the list: both open the rows' menu.
    if ((watched == ListView1 || watched == ListView1->viewport()) && event->type() == QEvent::ContextMenu) {
        rowMenu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TRenameReport::fitNameColumns()
{
    const int room = (ListView1->viewport()->width() - 2 * kWordColumnWidth) / 2;
    const int width = std::max(kNameColumnWidth, room);
    ListView1->setColumnWidth(ConfirmRowModel::OldColumn, width);
    ListView1->setColumnWidth(ConfirmRowModel::NewColumn, width);
}

bool TRenameReport::setPlan(RenamePlan plan, LongWork* work)
{
    std::optional<LongWork> own;
    if (!work)
        work = &own.emplace(this, kCheckingLabel, std::nullopt);
    else
        work->setLabel(kCheckingLabel);
    std::optional<std::vector<RowPrediction>> predictions = predictRefusedRows(plan, plan.rows, *work);
    if (!predictions)
        return false;
    m_model->setRows(std::move(plan.rows));
    m_plan = std::move(plan);  // without its rows, which the model took
    m_model->setPredictions(std::move(*predictions));
    return true;
}

std::optional<std::vector<RowPrediction>> TRenameReport::predictRefusedRows(const RenamePlan& plan,
                                                                            const std::vector<ConfirmRow>& rows,
                                                                            LongWork& work)
{
    std::vector<RowPrediction> predictions;
    if (!work.await([&] { predictions = refusalsOf(plan, rows); }, rows.size()))
        return std::nullopt;
    return predictions;
}

void TRenameReport::oldNameEdited()
{
    // The edit is made: the marks must follow it, so this wait offers no "Cancel".
    LongWork work(this, kCheckingLabel, std::nullopt, LongWork::Cancel::NotOffered);
    if (std::optional<std::vector<RowPrediction>> predictions = predictRefusedRows(m_plan, m_model->rows(), work))
        m_model->setPredictions(std::move(*predictions));
}

void TRenameReport::showReason()
{
    reasonLine->setVisible(m_model->anyReason());
    reasonLine->setText(m_model->reason(ListView1->currentIndex().row()));
}

void TRenameReport::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    QDialog::setVisible(visible);
    if (showing)
        FormShow();
}

void TRenameReport::FormShow()
{
    m_renameDone = false;
    m_renameUsed = false;
    updateActions();
}

void TRenameReport::updateActions()
{
    const bool anySelected = ListView1->selectionModel()->hasSelection();
    const bool rename = m_model->rowCount() > 0 && !m_renameUsed;
    ActionRename->setEnabled(rename);
    ActionDelete->setEnabled(anySelected);
    ActionUpperCase->setEnabled(anySelected);
    ActionLowercase->setEnabled(anySelected);
    ActionExtensionUpper->setEnabled(anySelected);
    ActionExtensionLower->setEnabled(anySelected);
    Buttonren->setEnabled(rename);
    DelButton->setEnabled(anySelected);
    ToUpper->setEnabled(anySelected);
    ToLower->setEnabled(anySelected);
}

void TRenameReport::ButtonrenClick()
{
    if (m_renameUsed)
        return;
    // The folder is opened once for the pass and must be the one that was listed: another folder
    // put at its path meanwhile gets no rename.
    RenameLoopResult done;
    // A long pass shows its progress; "Cancel" stops it after the current row.
    const auto total = static_cast<std::size_t>(m_model->rowCount());
    LongWork work(this, QStringLiteral("Renaming: %1 of ") + QString::number(total), total);
    RenamePassHooks hooks;
    hooks.progress = [&work](std::size_t rowsDone) { return work.step(rowsDone); };
    // Each batch of rows reaches the journal's disk before its renames, so that the pass can be
    // undone after the program is closed (moxtal-cli --undo-last).
    JournalPass journal(JournalPass::Kind::Pass);
    hooks.writeAhead = [&journal](const std::vector<TLogEntry>& entries) { return journal.writeAhead(entries); };
    m_model->updateRows([&](std::vector<ConfirmRow>& rows) {
        m_plan.rows.swap(rows);  // the plan's rows as the user left them, for the pass
        done = renamePlan(m_plan, true, std::move(hooks));
        m_plan.rows.swap(rows);
    });
    JournalRecord record = journal.finish(done.log);
    m_renameDone = m_renameDone || done.renameDone;
    m_model->setPredictions({});  // the result words say what happened now
    if (!done.log.empty())
        emit renamed(std::move(done.log), std::move(record));
    m_renameUsed = true;
    updateActions();
}

void TRenameReport::ActionDeleteExecute()
{
    // Removing rows one by one would be quadratic on a long list; the selection is taken at once.
    // The rows leave the list once the marks of the rows kept are worked out: "Cancel" meanwhile
    // removes none.
    const std::vector<std::size_t> positions = selectedRowPositions(ListView1);
    std::vector<ConfirmRow> kept = m_model->rows();
    eraseAtPositions(kept, positions);
    LongWork work(this, kCheckingLabel);
    std::optional<std::vector<RowPrediction>> predictions = predictRefusedRows(m_plan, kept, work);
    if (!predictions)
        return;
    ListView1->selectionModel()->clearSelection();
    m_model->setRows(std::move(kept));
    m_model->setPredictions(std::move(*predictions));
    updateActions();
}

void TRenameReport::convertSelected(const CaseMapping& caseOf)
{
    // The rows change together once the marks of the new names are worked out: "Cancel" before
    // then changes none.
    const std::vector<std::size_t> positions = selectedRowPositions(ListView1);
    LongWork work(this,
                  QStringLiteral("Converting: %1 of ") + QString::number(positions.size()) + QStringLiteral(" rows"),
                  positions.size());
    std::vector<ConfirmRow> rows = m_model->rows();
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (i % kStepEvery == 0 && !work.step(i))
            return;
        ConfirmRow& row = rows[positions[i]];
        row.newName = caseOf(row.newName);
        row.status = row.oldName != row.newName ? kStatusReplace : kStatusSameNameCase;
    }
    work.setLabel(kCheckingLabel);
    std::optional<std::vector<RowPrediction>> predictions = predictRefusedRows(m_plan, rows, work);
    if (!predictions)
        return;
    m_model->updateRows([&](std::vector<ConfirmRow>& shown) { shown.swap(rows); });
    m_model->setPredictions(std::move(*predictions));
    ListView1->selectionModel()->clearSelection();
    updateActions();
}

void TRenameReport::ToUpperClick()
{
    convertSelected(toUpperName);
}

void TRenameReport::ToLowerClick()
{
    convertSelected(toLowerName);
}

void TRenameReport::ActionExtensionUpperExecute()
{
    convertSelected([](const std::string& name) { return convertExtensionCase(name, toUpperName); });
}

void TRenameReport::ActionExtensionLowerExecute()
{
    convertSelected([](const std::string& name) { return convertExtensionCase(name, toLowerName); });
}

}  // namespace moxtal
