#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "confirm_model.h"
#include "core/settings_format.h"
#include "platform/file_icons.h"
#include "platform/listing.h"
#include "platform/posix_handles.h"

class QAction;
class QLabel;
class QPushButton;
class QTableView;

namespace moxtal {

// The confirmation dialog: reviews the proposed names and renames the files of "Replace" rows.
class TRenameReport : public QDialog {
    Q_OBJECT
public:
    // directory gives the current folder, read again for every row.
    explicit TRenameReport(std::function<std::string()> directory, QWidget* parent = nullptr);
    // Its bounds from main.cfg, and into the settings to be saved.
    void applySettings(const MainCfgRead& read);
    void collectSettings(MainSettings& settings, const QWidget* mainWindow) const;

    void setImages(const ImageList* images) { m_model->setImages(images); }
    void clearRows() { m_model->setRows({}); }
    // The rows of a job over the files listed from the folder listed (which the pass checks it
    // renames in), with the names that folder held then (read again if it changed since).
    void setRows(std::vector<ConfirmRow> rows, std::optional<FolderIdentity> listed = std::nullopt,
                 std::shared_ptr<const FolderNames> names = nullptr)
    {
        m_listed = listed;
        m_listedNames = std::move(names);
        m_model->setRows(std::move(rows));
        predictRefusedRows();
    }
    const std::vector<ConfirmRow>& rows() const { return m_model->rows(); }
    ConfirmRowModel* model() const { return m_model; }
    bool renameDone() const { return m_renameDone; }

    void ButtonrenClick();
    void ActionDeleteExecute();
    void ToUpperClick();
    void ToLowerClick();
    void updateActions();

    QTableView* ListView1;
    // Under the list while some row has a reason: the reason of the current row, so that the
    // keyboard finds what the mouse finds in the tool tip.
    QLabel* reasonLine;
    QPushButton* Buttonren;
    QPushButton* DelButton;
    QPushButton* ToUpper;
    QPushButton* ToLower;
    QPushButton* ButtonCancel;
    QAction* ActionRename;
    QAction* ActionDelete;
    QAction* ActionUpperCase;
    QAction* ActionLowercase;

    // Runs FormShow when the dialog is shown anew (each exec), not when it is restored from the
    // task bar, so that a finished "Rename" stays finished.
    void setVisible(bool visible) override;

signals:
    // A rename pass renamed files: the hand-over for the rename log, one entry per success.
    void renamed(std::vector<TLogEntry> log);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // Marks the rows the pass would refuse, over the names the folder holds now.
    void predictRefusedRows();
    // "Old" and "New" share the room that "Status" and "Result" leave.
    void fitNameColumns();
    void convertCase(bool upper);
    void showReason();

    std::function<std::string()> m_directory;
    std::optional<FolderIdentity> m_listed;
    std::shared_ptr<const FolderNames> m_listedNames;
    ConfirmRowModel* m_model;
    bool m_renameDone = false;
    bool m_renameUsed = false;  // "Rename" runs once per showing
};

}  // namespace moxtal
