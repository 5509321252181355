#pragma once

#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QWidget>

#include "core/clipboard_pass.h"
#include "urlcoder.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace moxtal {

// The item list of LogFrom or LogTo: lines held as bytes, shown for display.
class LinesModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::vector<std::string>& lines() const { return m_lines; }
    void setLines(std::vector<std::string> lines);

private:
    std::vector<std::string> m_lines;
};

// The clipboard watcher: while open, every text copied to the clipboard runs through its pattern,
// replacement and URL step, and the result is written back when it differs.
class TClipWindow : public QWidget {
    Q_OBJECT
public:
    explicit TClipWindow(QWidget* parent = nullptr);

    // How many passes may follow one another on the watcher's own writes before it stops writing.
    static constexpr int kChainLimit = 8;
    static inline const QString kChainStopped = QStringLiteral("Stopped: keeps changing");

    void ClipboardChanged();
    void RetryExecute();
    void RetryUpdate();
    void CloseButtonClick();
    bool watching() const { return m_watching; }
    UrlStep urlStep() const;

    // Runs FormShow when the window is shown anew and FormClose whenever it is hidden.
    void setVisible(bool visible) override;

    QComboBox* pattern;
    QComboBox* RepStr;
    QToolButton* SpeedButton1;
    QComboBox* LogFrom;
    QComboBox* LogTo;
    QGroupBox* RadioGroup1;
    QRadioButton* NotCare;
    QRadioButton* Encode;
    QRadioButton* Decode;
    QPushButton* CloseButton;
    QAction* Retry;
    TUrlCoder UrlCoder1;

private:
    void FormShow();
    void FormClose();
    void handleOnce();
    void writeClipboard(const std::string& text);
    void selectFirstLine(QComboBox* box);

    LinesModel* m_fromLines;
    LinesModel* m_toLines;
    bool m_watching = false;
    bool m_handling = false;  // a handling is running: a nested notice waits for it to end
    bool m_pending = false;   // a notice arrived during the handling
    int m_unechoedWrites = 0; // writes of ours whose notice has not come yet
    int m_chain = 0;          // passes in a row on our own writes, without a change from outside
};

}  // namespace moxtal
