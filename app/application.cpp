#include "application.h"

#include <cstdlib>
#include <exception>
#include <malloc.h>

#include <QIcon>

#include "platform/file_icons.h"
#include "platform/name_text.h"
#include "ui/fonts.h"
#include "ui/messages.h"
#include "ui/seams.h"
#include "ui/window_keys.h"

namespace moxtal {

MoxtalApplication::MoxtalApplication(int& argc, char** argv) : QApplication(argc, argv)
{ }

bool MoxtalApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MessageBox::show(activeWindow(), errorText(e));
    } catch (...) {
        MessageBox::show(activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}

std::string chooseDisplayPlatform(const char* qtQpaPlatform, const char* waylandDisplay, const char* display)
{
    auto set = [](const char* value) { return value && *value; };
    if (set(qtQpaPlatform) || !set(waylandDisplay) || !set(display))
        return {};
    return "xcb";
}

void choosePlatformFromEnvironment()
{
    const std::string platform =
        chooseDisplayPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (!platform.empty())
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
}

void setUpApplication()
{
    // Large lists (a listing, the dialog's rows, the log) are mapped from the system and handed
    // back when freed, instead of keeping the heap at its high-water mark for the rest of the run.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // The name is the message boxes' caption and, on X11, the class part of the windows' WM_CLASS
    // (Qt's xcb takes it from here): the desktop entry's StartupWMClass repeats it, so that a
    // desktop shows the windows under their menu entry and its icon.
    QApplication::setApplicationName(QStringLiteral("Mox-Tal(Moxtal)"));
    // The desktop entry's id: a Wayland compositor knows the windows by it (their app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.moxtal.Moxtal"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org.moxtal.Moxtal.svg")));
    installFontSubstitutions();
    ensureIconTheme();
    installWindowKeys();
}

}  // namespace moxtal
