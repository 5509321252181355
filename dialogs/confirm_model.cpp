#include "confirm_model.h"

#include <algorithm>
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
    if (role == Qt::AccessibleDescriptionRole) {
        // The reason reaches a screen reader from every cell of its row, without a mouse.
        const QString why = reason(index.row());
        return why.isEmpty() ? QVariant() : QVariant(why);
    }
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

QString ConfirmRowModel::reason(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    if (refused(row))
        return QString::fromStdString(refusalText(m_predictions[static_cast<std::size_t>(row)]));
    const ConfirmRow& r = this->row(row);
    if (hasFailureReason(r))
        return QStringLiteral("Failed: ") + QString::fromLocal8Bit(failureReason(r.error).c_str());
    if (isInvalidName(r))
        return QString::fromStdString(invalidNameReason(r.oldName, r.newName));
    return {};
}

bool ConfirmRowModel::hasFailureReason(const ConfirmRow& r)
{
    return r.result == kResultFailed && r.error != 0;
}

bool ConfirmRowModel::isInvalidName(const ConfirmRow& r)
{
    return r.status == kStatusInvalidName;
}

void ConfirmRowModel::countReasons()
{
    m_failureReasons = static_cast<std::size_t>(std::count_if(m_rows.begin(), m_rows.end(), hasFailureReason));
    m_invalidNames = static_cast<std::size_t>(std::count_if(m_rows.begin(), m_rows.end(), isInvalidName));
}

QVariant ConfirmRowModel::toolTip(const ConfirmRow& r, int row, int column) const
{
    // The whole name (the cell may elide it), then why the row will be or was refused.
    QString tip;
    if (column == OldColumn || column == NewColumn)
        tip = displayText(column == OldColumn ? r.oldName : r.newName);
    const QString why = reason(row);
    if (!why.isEmpty())
        tip = tip.isEmpty() ? why : tip + QLatin1Char('\n') + why;
    return tip.isEmpty() ? QVariant() : QVariant(tip);
}

void ConfirmRowModel::setPredictions(std::vector<RowPrediction> predictions)
{
    const bool hadMarks = !m_predictions.empty();
    m_predictions = std::move(predictions);
    m_refusedRows = static_cast<std::size_t>(std::count_if(
        m_predictions.begin(), m_predictions.end(), [](const RowPrediction& p) { return p.refusal != Refusal::None; }));
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
    r.oldName = bytesOfText(text);
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
    m_refusedRows = 0;
    countReasons();
    endResetModel();
}

void ConfirmRowModel::updateRows(const std::function<void(std::vector<ConfirmRow>&)>& edit)
{
    edit(m_rows);
    countReasons();
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

}  // namespace moxtal
