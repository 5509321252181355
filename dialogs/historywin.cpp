#include "historywin.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/text_lines.h"
#include "platform/name_text.h"
#include "ui/fonts.h"
#include "ui/window_bounds.h"

namespace moxtal {

THistory::THistory(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("History"));
    setWindowTitle(QStringLiteral("History"));
    setFont(interfaceFont(kProportionalFont));
    setModal(true);
    setGeometry(357, 111, 355, 270);
    openWhollyOnScreen(this);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setAccessibleName(QStringLiteral("History"));
    Memo1->setTabChangesFocus(true);  // Tab moves on to the buttons, as in any such text box

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    OKButton1 = new QPushButton(QStringLiteral("OK"), Panel1);
    OKButton1->setObjectName(QStringLiteral("OKButton1"));
    OKButton1->setGeometry(184, 8, 75, 25);
    CancelButton2 = new QPushButton(QStringLiteral("Cancel"), Panel1);
    CancelButton2->setObjectName(QStringLiteral("CancelButton2"));
    CancelButton2->setGeometry(264, 8, 75, 25);
    OKButton1->setAutoDefault(false);
    CancelButton2->setAutoDefault(false);
    connect(OKButton1, &QPushButton::clicked, this, &THistory::OKButton1Click);
    connect(CancelButton2, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1);
    layout->addWidget(Panel1);
}

std::optional<std::vector<std::string>> THistory::EditHistory(const std::vector<std::string>& items)
{
    m_items = items;
    // Every item followed by a line break, so that the lines read back as exactly these items.
    QString text;
    for (const std::string& item : items)
        text += displayText(item) + QLatin1Char('\n');
    Memo1->setPlainText(text);
    m_shownText = Memo1->toPlainText();
    // Every opening starts in the text, whichever button closed the last one.
    Memo1->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return std::move(m_items);
}

void THistory::OKButton1Click()
{
    // An unedited list stays as it was, byte for byte (items that are not UTF-8 included).
    // A single empty last line adds no item; empty lines elsewhere are empty items.
    if (Memo1->toPlainText() != m_shownText)
        m_items = linesOf(bytesOfText(Memo1->toPlainText()));
    accept();
}

}  // namespace moxtal
