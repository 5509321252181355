#include "combo_history.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/text_case.h"
#include "platform/name_text.h"

namespace moxtal {

std::string comboText(const QComboBox* box)
{
    return bytesOfText(box->currentText());
}

void setComboText(QComboBox* box, const std::string& bytes)
{
    box->setEditText(displayText(bytes));
}

std::string editText(const QLineEdit* edit)
{
    return bytesOfText(edit->text());
}

void setEditText(QLineEdit* edit, const std::string& bytes)
{
    edit->setText(displayText(bytes));
}

std::vector<std::string> comboItems(const QComboBox* box)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i)
        items.push_back(bytesOfText(box->itemText(i)));
    return items;
}

void setComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    const std::string text = comboText(box);
    box->clear();
    for (const std::string& item : items)
        box->addItem(displayText(item));
    box->setCurrentIndex(-1);
    setComboText(box, text);
}

void appendComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    std::vector<std::string> all = comboItems(box);
    all.insert(all.end(), items.begin(), items.end());
    setComboItems(box, all);
}

void promoteComboHistory(QComboBox* box)
{
    std::vector<std::string> items = comboItems(box);
    promoteHistory(items, comboText(box), equalsIgnoringCase);
    setComboItems(box, items);
}

}  // namespace moxtal
