#include "historywin.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/text_lines.h"
#include "platform/name_text.h"
#include "ui/combo_history.h"
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

int THistory::EditHistory(QComboBox* box)
{
    m_box = box;
    // Every item followed by a line break, so that the lines read back as exactly these items.
    QString text;
    for (int i = 0; i < box->count(); ++i)
        text += box->itemText(i) + QLatin1Char('\n');
    Memo1->setPlainText(text);
    m_shownText = Memo1->toPlainText();
    // Every opening starts in the text, whichever button closed the last one.
    Memo1->setFocus();
    return exec();
}

void THistory::OKButton1Click()
{
    // An unedited list stays as it was, byte for byte (items that are not UTF-8 included).
    if (m_box && Memo1->toPlainText() != m_shownText) {
        // A single empty last line adds no item; empty lines elsewhere are empty items.
        const std::vector<std::string> items = linesOf(bytesOfText(Memo1->toPlainText()));
        setComboItems(m_box, items);
    }
    accept();
}

}  // namespace moxtal
