#pragma once

#include <functional>
#include <vector>

#include <QAbstractTableModel>

#include "core/rename_job.h"
#include "core/rename_loop.h"
#include "core/rename_prediction.h"
#include "platform/file_icons.h"
#include "platform/name_text.h"

namespace moxtal {

// The confirmation dialog's rows; the "Old" cell can be edited in place.
class ConfirmRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { OldColumn, NewColumn, StatusColumn, ResultColumn, ColumnCount };

    explicit ConfirmRowModel(QObject* parent = nullptr);

    void setImages(const ImageList* images) { m_images = images; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<ConfirmRow>& rows() const { return m_rows; }
    const ConfirmRow& row(int r) const { return m_rows.at(static_cast<std::size_t>(r)); }
    void setRows(std::vector<ConfirmRow> rows);
    // Lets edit change the cells of every row (not their number), then repaints them all.
    void updateRows(const std::function<void(std::vector<ConfirmRow>&)>& edit);

    // Marks the rows the pass will refuse (one prediction per row, or none to clear the marks):
    // a warning icon by the new name, a tint with its own text colour, and the reason as the
    // row's tool tip and as its cells' accessible description.
    void setPredictions(std::vector<RowPrediction> predictions);
    const std::vector<RowPrediction>& predictions() const { return m_predictions; }
    bool refused(int r) const;
    // Why the row will be refused, why its rename failed, or why the job found its new name
    // invalid; empty when none of these.
    QString reason(int r) const;
    // Whether some row has such a reason.
    bool anyReason() const { return m_refusedRows > 0 || m_failureReasons > 0 || m_invalidNames > 0; }

signals:
    // The user edited an "Old" cell.
    void oldNameEdited();

private:
    QVariant toolTip(const ConfirmRow& r, int row, int column) const;
    static bool hasFailureReason(const ConfirmRow& r);
    static bool isInvalidName(const ConfirmRow& r);
    void countReasons();

    std::vector<ConfirmRow> m_rows;
    std::vector<RowPrediction> m_predictions;
    const ImageList* m_images = nullptr;
    std::size_t m_refusedRows = 0;  // rows with a refusal among the predictions
    std::size_t m_failureReasons = 0;  // rows whose rename failed with a reason
    std::size_t m_invalidNames = 0;  // rows with the status "Invalid name"
};

}  // namespace moxtal
