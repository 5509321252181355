#pragma once

#include <QDialog>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace moxtal {

// The history editor: a history list as text, one item per line.
class THistory : public QDialog {
    Q_OBJECT
public:
    explicit THistory(QWidget* parent = nullptr);

    // Shows box's item list for editing, modally; "OK" writes the lines back as its items.
    int EditHistory(QComboBox* box);
    void OKButton1Click();

    QPlainTextEdit* Memo1;
    QWidget* Panel1;
    QPushButton* OKButton1;
    QPushButton* CancelButton2;

private:
    QComboBox* m_box = nullptr;
    QString m_shownText;  // the list as the editor showed it
};

}  // namespace moxtal
