#include "clipwin.h"

#include "dialogs/ui_common.h"

namespace moxtal {

TClipWindow::TClipWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ClipWindow"));
    setWindowTitle(QStringLiteral("Clipboard Watcher"));
    setFont(interfaceFont(kProportionalFont));
    resize(340, 170);
    setMinimumWidth(340);
    setFixedHeight(170);
}

}  // namespace moxtal
