#pragma once

#include <functional>

#include <QObject>

class QWidget;

namespace moxtal {

// Runs an event handler and shows the message of an error it raises in the application's error
// display, so that no error unwinds through the toolkit's own frames.
void runHandler(QWidget* window, const std::function<void()>& handler);

// Connects signal to a handler of window through runHandler.
template <typename Sender, typename Signal, typename Window>
void connectHandler(Sender* sender, Signal signal, Window* window, void (Window::*handler)())
{
    QObject::connect(sender, signal, window,
                     [window, handler] { runHandler(window, [window, handler] { (window->*handler)(); }); });
}

}  // namespace moxtal
