#include "application.h"

#include <exception>

#include "dialogs/ui_common.h"
#include "platform/desktop.h"

namespace moxtal {

MoxtalApplication::MoxtalApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool MoxtalApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        MessageBox::show(activeWindow(), QString::fromUtf8(e.what()));
    } catch (...) {
        MessageBox::show(activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("Mox-Tal(Moxtal)"));
    installFontSubstitutions();
    ensureIconTheme();
}

}  // namespace moxtal
