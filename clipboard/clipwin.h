#pragma once

#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QWidget>

#include "core/clipboard_pass.h"
#include "core/clipboard_watch.h"
#include "core/settings_format.h"
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

    // The caption when a pass on the watcher's own text would write again: one write per change
    // from outside (or per Retry), so a replacement that changes its own output runs once.
    static inline const QString kChainStopped = QStringLiteral("Stopped: keeps changing");
    // The caption when a copy from another program held bytes that are not UTF-8: it is left as it is.
    static inline const QString kNotUtf8 = QStringLiteral("Left as it is: not UTF-8");

    bool watching() const { return m_state.watching; }

    // Its histories and bounds from main.cfg, and into the settings to be saved.
    void applySettings(const MainCfgRead& read);
    void collectSettings(MainSettings& settings, const QWidget* mainWindow) const;

    // Runs FormShow when the window is shown anew and FormClose whenever it is hidden.
    void setVisible(bool visible) override;

private:
    void FormShow();
    void FormClose();
    void ClipboardChanged();
    void RetryExecute();
    void RetryUpdate();
    void CloseButtonClick();
    UrlStep urlStep() const;
    // Asks what to do on event, and keeps the state the answer leaves.
    WatchAction decide(const WatchEvent& event);
    void handleOnce();
    void writeClipboard(const std::string& text);
    void selectFirstLine(QComboBox* box);

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

    LinesModel* m_fromLines;
    LinesModel* m_toLines;
    ClipboardWatchState m_state;
};

}  // namespace moxtal
