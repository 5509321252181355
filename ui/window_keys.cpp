#include "window_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace moxtal {

namespace {

bool isEnter(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && modifiers == Qt::NoModifier;
}

class WindowKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || QApplication::activePopupWidget())
            return false;
        auto* control = qobject_cast<QWidget*>(watched);
        if (!control || control != QApplication::focusWidget())
            return false;  // the window's own delivery, or the key passed on to a parent
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (isEnter(key)) {
            // A held key clicks once, as a held Space does.
            auto* button = qobject_cast<QPushButton*>(control);
            if (!button || key.isAutoRepeat() || !button->isEnabled())
                return false;
            button->click();
            return true;
        }
        return false;
    }
};

}  // namespace

void installWindowKeys()
{
    static WindowKeys* keys = nullptr;
    if (keys)
        return;
    keys = new WindowKeys(qApp);
    qApp->installEventFilter(keys);
}

}  // namespace moxtal
