#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

#include "core/rename_log.h"

class QAction;
class QItemSelection;
class QPushButton;
class QTableView;

namespace moxtal {

// The log's rows in the order they were appended: "from", "to", "Folder".
class LogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<TLogEntry>& entries() const { return m_entries; }
    void append(std::vector<TLogEntry> entries);
    // Lets edit remove rows (and only that) at once, then shows the new rows.
    void eraseRows(const std::function<void(std::vector<TLogEntry>&)>& edit);

private:
    std::vector<TLogEntry> m_entries;
};

// The rename log window: every rename of the run, in the order it was done.
class TLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit TLogWindow(QWidget* parent = nullptr);

    // The one way renames reach the log: the entries of one pass (a "Rename" of the confirmation
    // dialog, or a single direct rename), appended at once in their order.
    void AddLogEntry(std::vector<TLogEntry> entries);
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
    void selectRows(const std::vector<std::size_t>& positions);

    QTableView* ListView1;
    QPushButton* Save;
    QPushButton* ButtonDel;
    QPushButton* Undo;
    QPushButton* ButtonClose;
    QAction* Action1Save;
    QAction* Action1Remove;
    QAction* Action1Undo;

    LogModel* m_model;
    // The name the save dialog starts with: "*.csv" at first, then the last file chosen in the run.
    QString m_lastSaveName = QStringLiteral("*.csv");
};

}  // namespace moxtal
