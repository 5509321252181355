#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

#include "core/rename_log.h"
#include "platform/journal.h"

class QAction;
class QItemSelection;
class QMenu;
class QPushButton;
class QTableView;

namespace moxtal {

// The log's rows in the order they were appended: "from", "to", "Folder"; each row knows its pass
// (the number of the hand-over that added it).
class LogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<TLogEntry>& entries() const { return m_entries; }
    std::size_t passOf(std::size_t row) const { return m_passes[row]; }
    // The first and the last row of the pass of row (a pass's rows stand together).
    std::pair<std::size_t, std::size_t> rowsOfPass(std::size_t row) const;
    void append(std::vector<TLogEntry> entries, std::size_t pass);
    // Lets edit remove rows (and only that) at once, then shows the new rows; edit gives the
    // positions it removed, ascending.
    void eraseRows(const std::function<std::vector<std::size_t>(std::vector<TLogEntry>&)>& edit);

private:
    std::vector<TLogEntry> m_entries;
    std::vector<std::size_t> m_passes;  // the pass of each row
};

// The rename log window: every rename of the run, in the order it was done.
class TLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit TLogWindow(QWidget* parent = nullptr);

    // The one way renames reach the log: the entries of one pass (a "Rename" of the confirmation
    // dialog, or a single direct rename), appended at once in their order, and the journal file
    // that holds them (an undo here removes them from it); the caption says when the journal is off.
    void AddLogEntry(std::vector<TLogEntry> entries, JournalRecord journal = {});
    const std::vector<TLogEntry>& entries() const { return m_model->entries(); }

signals:
    // Files were renamed back: the file list shows the folder anew.
    void undone();

private:
    void Action1SaveExecute();
    void Action1RemoveExecute();
    void Action1UndoExecute();
    void Action1SaveUpdate();
    void Action1RemoveUpdate();
    void SelectPassExecute();
    void selectRows(const std::vector<std::size_t>& positions);
    void showJournalState(const std::string& offReason);

    QTableView* ListView1;
    QPushButton* Save;
    QPushButton* ButtonDel;
    QPushButton* Undo;
    QPushButton* ButtonClose;
    QAction* Action1Save;
    QAction* Action1Remove;
    QAction* Action1Undo;
    // The list's context menu: "Select This Pass".
    QMenu* PassMenu;
    QAction* SelectPass;

    LogModel* m_model;
    // The journal file of each pass, by its number (empty when none holds it).
    std::vector<std::string> m_journalFiles;
    // The name the save dialog starts with: "*.csv" at first, then the last file chosen in the run.
    QString m_lastSaveName = QStringLiteral("*.csv");
};

}  // namespace moxtal
