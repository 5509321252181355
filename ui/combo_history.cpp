#include "combo_history.h"

#include <QComboBox>

#include "core/text_case.h"
#include "platform/desktop.h"

namespace moxtal {

std::vector<std::string> comboItems(const QComboBox* box)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

void setComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    const QString text = box->currentText();
    box->clear();
    for (const std::string& item : items)
        box->addItem(displayText(item));
    box->setCurrentIndex(-1);
    box->setEditText(text);
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
    promoteHistory(items, box->currentText().toStdString(), equalsIgnoringCase);
    setComboItems(box, items);
}

}  // namespace moxtal
