#include "window_keys.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace moxtal {

namespace {

bool isEnter(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && modifiers == Qt::NoModifier;
}

bool isMenuKey(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    return (key.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

// Where a menu opened by a key points, in the control's coordinates: the current row of a list,
// the caret of a text box, or the middle of any other control.
QPoint menuPoint(QWidget* control)
{
    if (auto* view = qobject_cast<QAbstractItemView*>(control)) {
        const QRect item = view->visualRect(view->currentIndex());
        if (item.isValid() && view->viewport()->rect().contains(item.center()))
            return view->viewport()->mapTo(view, item.center());
    }
    const QRect caret = control->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    if (caret.isValid() && control->rect().contains(caret.center()))
        return caret.center();
    return control->rect().center();
}

class WindowKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ContextMenu && watched->isWindowType() && event->spontaneous() &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            // The display (X11, Wayland) makes a menu event of its own from the Menu key, at the
            // mouse pointer, then passes the key on: the key opens the menu below, once, at the
            // focused control, as Shift+F10 does.
            return true;
        }
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
        if (isMenuKey(key)) {
            // Sent as a right click's menu event is: a control without a menu of its own passes it
            // on to its parents, up to the window's menu.
            const QPoint at = menuPoint(control);
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, control->mapToGlobal(at), key.modifiers());
            QApplication::sendEvent(control, &menu);
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
