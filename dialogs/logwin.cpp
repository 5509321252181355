#include "logwin.h"

#include <map>

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/name_text.h"
#include "platform/renames.h"
#include "platform/whole_files.h"
#include "ui/fonts.h"
#include "ui/handlers.h"
#include "ui/idle.h"
#include "ui/long_work.h"
#include "ui/seams.h"
#include "ui/widgets.h"
#include "ui/window_bounds.h"

namespace moxtal {

namespace {

constexpr std::size_t kStepEvery = 1024;  // rows between two steps of a long save's progress

}  // namespace

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int LogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount())
        return {};
    const TLogEntry& e = m_entries[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return displayText(e.From);
    case 1:
        return displayText(e.To);
    case 2:
        return displayText(e.Folder);
    }
    return {};
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"from", "to", "Folder"};
    return section >= 0 && section < 3 ? QString::fromLatin1(captions[section]) : QVariant();
}

std::pair<std::size_t, std::size_t> LogModel::rowsOfPass(std::size_t row) const
{
    std::size_t first = row, last = row;
    while (first > 0 && m_passes[first - 1] == m_passes[row])
        --first;
    while (last + 1 < m_passes.size() && m_passes[last + 1] == m_passes[row])
        ++last;
    return {first, last};
}

void LogModel::append(std::vector<TLogEntry> entries, std::size_t pass)
{
    if (entries.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_passes.insert(m_passes.end(), entries.size(), pass);
    if (m_entries.empty())
        m_entries = std::move(entries);  // the first pass of a run: no second copy of a large log
    else
        m_entries.insert(m_entries.end(), std::make_move_iterator(entries.begin()),
                         std::make_move_iterator(entries.end()));
    endInsertRows();
}

void LogModel::eraseRows(const std::function<std::vector<std::size_t>(std::vector<TLogEntry>&)>& edit)
{
    // One reset for any number of removed rows: removing them one by one is quadratic.
    beginResetModel();
    eraseAtPositions(m_passes, edit(m_entries));
    endResetModel();
}

TLogWindow::TLogWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_model(new LogModel(this))
{
    setObjectName(QStringLiteral("LogWindow"));
    setWindowTitle(QStringLiteral("Rename Log"));
    setFont(interfaceFont(kProportionalFont));
    resize(440, 383);
    setMinimumWidth(440);
    openWhollyOnScreen(this);

    ListView1 = makeRowTable(this, "ListView1", m_model);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSortingEnabled(false);
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->setColumnWidth(0, 100);
    ListView1->setColumnWidth(1, 100);
    ListView1->setColumnWidth(2, 300);
    ListView1->setAccessibleName(QStringLiteral("Renames"));

    auto makeAction = [this](const char* name, const QString& caption, void (TLogWindow::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        connectHandler(action, &QAction::triggered, this, handler);
        return action;
    };
    Action1Save = makeAction("Action1Save", QStringLiteral("Save"), &TLogWindow::Action1SaveExecute);
    Action1Remove = makeAction("Action1Remove", QStringLiteral("Remove"), &TLogWindow::Action1RemoveExecute);
    Action1Undo = makeAction("Action1Undo", QStringLiteral("Undo"), &TLogWindow::Action1UndoExecute);
    // The list's own menu, from a right click or the Menu key: the rows of one "Rename" (or one
    // direct rename) are selected at once, to be undone together.
    SelectPass = makeAction("SelectPass", QStringLiteral("Select This Pass"), &TLogWindow::SelectPassExecute);
    PassMenu = new QMenu(this);
    PassMenu->setObjectName(QStringLiteral("PassMenu"));
    PassMenu->addAction(SelectPass);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        SelectPass->setEnabled(ListView1->currentIndex().isValid());
        PassMenu->popup(ListView1->viewport()->mapToGlobal(at));
    });

    auto makeButton = [this](const char* name, const QString& caption, QAction* action) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        if (action) {
            connect(button, &QPushButton::clicked, action, &QAction::trigger);
            // The button takes its enabled state from its action.
            connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        }
        return button;
    };
    Save = makeButton("Save", QStringLiteral("Save"), Action1Save);
    ButtonDel = makeButton("ButtonDel", QStringLiteral("Remove"), Action1Remove);
    Undo = makeButton("Undo", QStringLiteral("Undo"), Action1Undo);
    ButtonClose = makeButton("ButtonClose", QStringLiteral("Close"), nullptr);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);

    auto* bottomPanel = new QHBoxLayout;
    bottomPanel->setContentsMargins(4, 4, 4, 4);
    bottomPanel->addWidget(Save);
    bottomPanel->addWidget(ButtonDel);
    bottomPanel->addWidget(Undo);
    bottomPanel->addStretch();
    bottomPanel->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListView1);
    layout->addLayout(bottomPanel);

    applyHintDuration(this);
    auto update = [this] {
        Action1SaveUpdate();
        Action1RemoveUpdate();
    };
    registerIdleUpdate(this, update);
    // "Undo" is ready as soon as "Select This Pass" (or a key) has selected the rows.
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TLogWindow::Action1RemoveUpdate);
    update();
}

void TLogWindow::AddLogEntry(std::vector<TLogEntry> entries, JournalRecord journal)
{
    showJournalState(journal.offReason);
    if (entries.empty())
        return;
    m_model->append(std::move(entries), m_journalFiles.size());
    m_journalFiles.push_back(std::move(journal.file));
}

void TLogWindow::showJournalState(const std::string& offReason)
{
    setWindowTitle(offReason.empty() ? QStringLiteral("Rename Log")
                                     : QStringLiteral("Rename Log (journal off: %1)").arg(displayText(offReason)));
}

void TLogWindow::Action1SaveUpdate()
{
    Action1Save->setEnabled(m_model->rowCount() > 0);
}

void TLogWindow::Action1RemoveUpdate()
{
    const bool any = ListView1->selectionModel()->hasSelection();
    Action1Remove->setEnabled(any);
    Action1Undo->setEnabled(any);
}

void TLogWindow::selectRows(const std::vector<std::size_t>& positions)
{
    QItemSelection selection;
    for (std::size_t i = 0; i < positions.size();) {
        std::size_t last = i;
        while (last + 1 < positions.size() && positions[last + 1] == positions[last] + 1)
            ++last;
        selection.select(m_model->index(static_cast<int>(positions[i]), 0),
                         m_model->index(static_cast<int>(positions[last]), 2));
        i = last + 1;
    }
    ListView1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TLogWindow::Action1SaveExecute()
{
    const std::optional<QString> chosen =
        FileDialog::askSaveFileName(this, QStringLiteral("CSV File (*.csv)"), QStringLiteral("csv"), m_lastSaveName);
    if (!chosen)
        return;
    m_lastSaveName = *chosen;
    // A long log is put into words with its progress shown; "Cancel" meanwhile writes nothing.
    const std::vector<TLogEntry>& entries = m_model->entries();
    LongWork work(this, QStringLiteral("Saving: %1 of ") + QString::number(entries.size()) + QStringLiteral(" rows"),
                  entries.size());
    std::string text(kLogTitle);
    text += "\r\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i % kStepEvery == 0 && !work.step(i))
            return;
        appendLogRow(text, entries[i]);
    }
    const QByteArray path = QFile::encodeName(*chosen);
    writeWholeFile(path.toStdString(), text);
}

void TLogWindow::Action1RemoveExecute()
{
    // The rows leave the window only: the journal keeps the renames, which are still on disk.
    const std::vector<std::size_t> positions = selectedRowPositions(ListView1);
    if (positions.empty())
        return;
    m_model->eraseRows([&](std::vector<TLogEntry>& entries) {
        eraseAtPositions(entries, positions);
        return positions;
    });
}

void TLogWindow::Action1UndoExecute()
{
    const std::vector<std::size_t> positions = selectedRowPositions(ListView1);
    // The selected rows and their journal files, taken before the undone ones leave the list.
    std::vector<TLogEntry> chosen;
    std::vector<const std::string*> files;
    chosen.reserve(positions.size());
    files.reserve(positions.size());
    for (const std::size_t position : positions) {
        chosen.push_back(m_model->entries()[position]);
        files.push_back(&m_journalFiles[m_model->passOf(position)]);
    }
    // The renames back go first, the bottom-most row first (a chain A to B, B to C goes back in
    // the right order), with their progress shown: the list keeps its rows while it repaints.
    // "Cancel" stops after the current row; the rows not tried stay, as rows not undone.
    std::vector<char> undoneAt(m_model->entries().size(), 0);
    {
        LongWork work(
            this, QStringLiteral("Undoing: %1 of ") + QString::number(positions.size()) + QStringLiteral(" renames"),
            positions.size());
        RenameBackOnDisk renameBack;
        for (std::size_t i = positions.size(), tried = 0; i-- > 0 && work.step(tried); ++tried)
            undoneAt[positions[i]] = renameBack(m_model->entries()[positions[i]]).step != UndoStep::Failed;
    }
    // Then the rows undone leave the log at once.
    UndoOutcome outcome;
    m_model->eraseRows([&](std::vector<TLogEntry>& entries) {
        const TLogEntry* first = entries.data();
        outcome = undoLogRows(entries, positions, [&](const TLogEntry& entry) {
            UndoRowResult result;
            if (undoneAt[static_cast<std::size_t>(&entry - first)])
                result.step = UndoStep::Undone;
            return result;
        });
        std::vector<std::size_t> erased;
        for (std::size_t i = 0; i < positions.size(); ++i) {
            if (outcome.undone[i])
                erased.push_back(positions[i]);
        }
        return erased;
    });
    // The undone rows leave their journal files too, one rewrite per file.
    std::map<std::string, std::vector<TLogEntry>> undoneByFile;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (outcome.undone[i] && !files[i]->empty())
            undoneByFile[*files[i]].push_back(std::move(chosen[i]));
    }
    std::string journalError;
    for (const auto& [file, undone] : undoneByFile) {
        if (std::string error = removeJournalRows(file, undone); !error.empty() && journalError.empty())
            journalError = std::move(error);
    }
    if (!journalError.empty())
        showJournalState(journalError);
    // The rows that could not be undone stay selected.
    selectRows(outcome.kept);
    emit undone();
}

void TLogWindow::SelectPassExecute()
{
    const QModelIndex current = ListView1->currentIndex();
    if (!current.isValid())
        return;
    const auto [first, last] = m_model->rowsOfPass(static_cast<std::size_t>(current.row()));
    std::vector<std::size_t> rows;
    rows.reserve(last - first + 1);
    for (std::size_t row = first; row <= last; ++row)
        rows.push_back(row);
    selectRows(rows);
}

}  // namespace moxtal
