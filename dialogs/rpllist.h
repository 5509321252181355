#pragma once

#include <optional>
#include <vector>

#include <QDialog>

#include "confirm_model.h"
#include "core/rename_plan.h"
#include "core/settings_format.h"
#include "platform/file_icons.h"
#include "platform/journal.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace moxtal {

class LongWork;

// The confirmation dialog: reviews the proposed names and renames the files of "Replace" rows.
class TRenameReport : public QDialog {
    Q_OBJECT
public:
    explicit TRenameReport(QWidget* parent = nullptr);
    // Its bounds from main.cfg, and into the settings to be saved.
    void applySettings(const MainCfgRead& read);
    void collectSettings(MainSettings& settings, const QWidget* mainWindow) const;

    void setImages(const ImageList* images) { m_model->setImages(images); }
    // Takes the plan to be confirmed: its rows are shown to be edited here, and "Rename" renames
    // them in the plan's folder alone (the pass checks it is still the folder listed). The rows the
    // pass would refuse are marked first, as a further part of work (the wait of the job that made
    // the plan) or of a wait of its own; false when the user cancelled that: the dialog keeps what
    // it held.
    bool setPlan(RenamePlan plan, LongWork* work = nullptr);
    const std::vector<ConfirmRow>& rows() const { return m_model->rows(); }
    ConfirmRowModel* model() const { return m_model; }
    bool renameDone() const { return m_renameDone; }

    // Runs FormShow when the dialog is shown anew (each exec), not when it is restored from the
    // task bar, so that a finished "Rename" stays finished.
    void setVisible(bool visible) override;

signals:
    // A rename pass renamed files: the hand-over for the rename log, one entry per success, with
    // the journal file that holds them.
    void renamed(std::vector<TLogEntry> log, JournalRecord journal);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ButtonrenClick();
    void ActionDeleteExecute();
    void ToUpperClick();
    void ToLowerClick();
    void ActionExtensionUpperExecute();
    void ActionExtensionLowerExecute();
    void updateActions();
    void FormShow();
    // The rows the pass would refuse, over the names the plan's folder holds now, worked out while
    // work shows the wait; nothing when the user cancelled.
    static std::optional<std::vector<RowPrediction>> predictRefusedRows(const RenamePlan& plan,
                                                                        const std::vector<ConfirmRow>& rows,
                                                                        LongWork& work);
    // Marks them anew after an "Old" cell was edited.
    void oldNameEdited();
    // "Old" and "New" share the room that "Status" and "Result" leave.
    void fitNameColumns();
    // Gives each selected row's "New" cell in the case caseOf makes of it, and the status by
    // the comparison with its "Old" cell, then deselects the rows.
    void convertSelected(const CaseMapping& caseOf);
    void showReason();

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
    QAction* ActionExtensionUpper;
    QAction* ActionExtensionLower;
    // The rows' context menu (a right click, Shift+F10 or the Menu key on the list): the case
    // conversions of the whole name and of the extension alone.
    QMenu* rowMenu;

    // The plan being confirmed; its rows live in the model while the dialog shows them.
    RenamePlan m_plan;
    ConfirmRowModel* m_model;
    bool m_renameDone = false;
    bool m_renameUsed = false;  // "Rename" runs once per showing
};

}  // namespace moxtal
