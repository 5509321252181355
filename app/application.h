#pragma once

#include <string>

#include <QApplication>

namespace moxtal {

// The application object: its general error display shows an exception that leaves an event
// handler in a message box, and the program goes on.
class MoxtalApplication : public QApplication {
public:
    MoxtalApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The platform to start on, or "" for Qt's own choice: a Wayland compositor tells a window of
// clipboard changes only while it has the focus, so under a Wayland session with an X server
// (XWayland) the watcher needs X11 ("xcb"). A platform the user chose always wins.
std::string chooseDisplayPlatform(const char* qtQpaPlatform, const char* waylandDisplay, const char* display);

// Sets QT_QPA_PLATFORM from chooseDisplayPlatform; called before the application object exists.
void choosePlatformFromEnvironment();

// Sets the application's title, fonts and icon theme, and the keys every window answers.
void setUpApplication();

}  // namespace moxtal
