#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QWidget>

class QAction;
class QPushButton;
class QTableView;

namespace moxtal {

// One successful rename of this run.
struct TLogEntry {
    std::string From;
    std::string To;
    std::string Folder;  // ends with "/"
};

class LogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<TLogEntry>& entries() const { return m_entries; }
    void append(TLogEntry entry);

private:
    std::vector<TLogEntry> m_entries;
};

// The rename log window: every rename of the run, in the order it was done.
class TLogWindow : public QWidget {
    Q_OBJECT
public:
    explicit TLogWindow(QWidget* parent = nullptr);

    void AddLogEntry(const std::string& From, const std::string& To, const std::string& Folder);
    const std::vector<TLogEntry>& entries() const { return m_model->entries(); }

    QTableView* ListView1;
    QPushButton* Save;
    QPushButton* ButtonDel;
    QPushButton* Undo;
    QPushButton* ButtonClose;

private:
    LogModel* m_model;
};

}  // namespace moxtal
