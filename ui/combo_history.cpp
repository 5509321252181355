#include "combo_history.h"

#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

#include "core/text_case.h"
#include "platform/desktop.h"

namespace moxtal {

namespace {

const char* const kBytesProperty = "moxtalBytes";

// The bytes behind shown, when held is bytes that still show as it.
std::string bytesBehind(const QString& shown, const QVariant& held)
{
    if (held.isValid()) {
        const QByteArray bytes = held.toByteArray();
        if (displayText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) == shown)
            return bytes.toStdString();
    }
    return shown.toStdString();
}

QByteArray asBytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string comboText(const QComboBox* box)
{
    const QString shown = box->currentText();
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == shown)
        return bytesBehind(shown, box->itemData(current));
    return bytesBehind(shown, box->property(kBytesProperty));
}

void setComboText(QComboBox* box, const std::string& bytes)
{
    box->setProperty(kBytesProperty, asBytes(bytes));
    box->setEditText(displayText(bytes));
}

std::string editText(const QLineEdit* edit)
{
    return bytesBehind(edit->text(), edit->property(kBytesProperty));
}

void setEditText(QLineEdit* edit, const std::string& bytes)
{
    edit->setProperty(kBytesProperty, asBytes(bytes));
    edit->setText(displayText(bytes));
}

std::vector<std::string> comboItems(const QComboBox* box)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i)
        items.push_back(bytesBehind(box->itemText(i), box->itemData(i)));
    return items;
}

void setComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    const std::string text = comboText(box);
    box->clear();
    for (const std::string& item : items)
        box->addItem(displayText(item), asBytes(item));
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
