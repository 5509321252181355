#include "historywin.h"

#include "ui_common.h"

namespace moxtal {

THistory::THistory(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("History"));
    setWindowTitle(QStringLiteral("History"));
    setFont(interfaceFont(kProportionalFont));
    setModal(true);
    setGeometry(357, 111, 355, 270);
}

}  // namespace moxtal
