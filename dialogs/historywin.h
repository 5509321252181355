#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace moxtal {

// The history editor: a history list as text, one item per line.
class THistory : public QDialog {
    Q_OBJECT
public:
    explicit THistory(QWidget* parent = nullptr);

    // Shows the items of a history list for editing, modally: the list "OK" leaves (the items as
    // given when the text was not edited), or none when cancelled.
    std::optional<std::vector<std::string>> EditHistory(const std::vector<std::string>& items);

private:
    void OKButton1Click();

    QPlainTextEdit* Memo1;
    QWidget* Panel1;
    QPushButton* OKButton1;
    QPushButton* CancelButton2;

    std::vector<std::string> m_items;  // the list as given, then as "OK" leaves it
    QString m_shownText;  // the list as the editor showed it
};

}  // namespace moxtal
