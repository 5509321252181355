#include "confirm_model.h"

#include <cstring>

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "ui/contrast.h"

namespace moxtal {

ConfirmRowModel::ConfirmRowModel(QObject* parent) : QAbstractTableModel(parent)
{ }

int ConfirmRowModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ConfirmRowModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ConfirmRowModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const ConfirmRow& r = row(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case OldColumn:
            return displayText(r.oldName);
        case NewColumn:
            return displayText(r.newName);
        case StatusColumn:
            return displayText(r.status);
        case ResultColumn:
            return displayText(r.result);
        }
    }
    if (role == Qt::DecorationRole && index.column() == OldColumn && m_images)
        return m_images->icon(r.image);
    if (role == Qt::ToolTipRole)
        return toolTip(r, index.row(), index.column());
    if (refused(index.row())) {
        // The tint comes with its own text colour, both from the palette, so that the row reads
        // under a dark palette as under a light one.
        if (role == Qt::BackgroundRole)
            return noticeTint(QGuiApplication::palette()).background;
        if (role == Qt::ForegroundRole)
            return noticeTint(QGuiApplication::palette()).text;
        if (role == Qt::DecorationRole && index.column() == NewColumn) {
            const QIcon warning = QIcon::fromTheme(QStringLiteral("dialog-warning"));
            return warning.isNull() ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning) : warning;
        }
    }
    return {};
}

bool ConfirmRowModel::refused(int r) const
{
    return r >= 0 && static_cast<std::size_t>(r) < m_predictions.size() &&
           m_predictions[static_cast<std::size_t>(r)].refusal != Refusal::None;
}

QVariant ConfirmRowModel::toolTip(const ConfirmRow& r, int row, int column) const
{
    // The whole name (the cell may elide it), then why the row will be or was refused.
    QString tip;
    if (column == OldColumn || column == NewColumn)
        tip = displayText(column == OldColumn ? r.oldName : r.newName);
    QString reason;
    if (refused(row))
        reason = QString::fromStdString(refusalText(m_predictions[static_cast<std::size_t>(row)]));
    else if (r.result == kResultFailed && r.error != 0)
        reason = QStringLiteral("Failed: ") + QString::fromLocal8Bit(failureReason(r.error).c_str());
    if (!reason.isEmpty())
        tip = tip.isEmpty() ? reason : tip + QLatin1Char('\n') + reason;
    return tip.isEmpty() ? QVariant() : QVariant(tip);
}

void ConfirmRowModel::setPredictions(std::vector<RowPrediction> predictions)
{
    const bool hadMarks = !m_predictions.empty();
    m_predictions = std::move(predictions);
    if ((hadMarks || !m_predictions.empty()) && !m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

bool ConfirmRowModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != OldColumn || role != Qt::EditRole)
        return false;
    ConfirmRow& r = m_rows.at(static_cast<std::size_t>(index.row()));
    const QString text = value.toString();
    // An unchanged cell keeps its own bytes, also when they are not valid UTF-8.
    if (text == displayText(r.oldName))
        return true;
    r.oldName = text.toStdString();
    emit dataChanged(index, index);
    emit oldNameEdited();
    return true;
}

Qt::ItemFlags ConfirmRowModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == OldColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant ConfirmRowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case OldColumn:
        return QStringLiteral("Old");
    case NewColumn:
        return QStringLiteral("New");
    case StatusColumn:
        return QStringLiteral("Status");
    case ResultColumn:
        return QStringLiteral("Result");
    }
    return {};
}

void ConfirmRowModel::setRows(std::vector<ConfirmRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_predictions.clear();
    endResetModel();
}

void ConfirmRowModel::setRow(int r, ConfirmRow value)
{
    m_rows.at(static_cast<std::size_t>(r)) = std::move(value);
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

void ConfirmRowModel::updateRows(const std::function<void(std::vector<ConfirmRow>&)>& edit)
{
    edit(m_rows);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

}  // namespace moxtal
