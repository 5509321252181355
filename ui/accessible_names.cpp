#include "accessible_names.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace moxtal {

namespace {

const char* const kNamedBox = "moxtalAccessibleName";

// An editable combo box as a screen reader sees it: a combo box named by its accessible name,
// whose value is its text, that opens its list on request.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = box()->isEditable();
        s.expandable = true;
        s.expanded = box()->view() && box()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override
    {
        return QStringList {showMenuAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == showMenuAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* namedComboBoxes(const QString& className, QObject* object)
{
    auto* box = qobject_cast<QComboBox*>(object);
    if (className != QLatin1String("QComboBox") || !box || !box->property(kNamedBox).toBool())
        return nullptr;
    return new NamedComboBox(box);
}

}  // namespace

void setAccessibleComboName(QComboBox* box, const QString& name)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboBoxes);
        return true;
    }();
    (void)installed;
    box->setProperty(kNamedBox, true);
    // Qt may have made the box its own reading already (a text set before the name asks for one):
    // it is dropped, so that the next reader gets this one.
    QAccessibleInterface* reading = QAccessible::queryAccessibleInterface(box);
    if (reading && !dynamic_cast<NamedComboBox*>(reading))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(reading));
    box->setAccessibleName(name);
    if (QLineEdit* edit = box->lineEdit())
        edit->setAccessibleName(name);
}

}  // namespace moxtal
