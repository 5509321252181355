#pragma once

#include <QFont>
#include <QString>

namespace moxtal {

// The interface fonts, kept under their design names and mapped to their metric twins.
inline const QString kProportionalFont = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFixedFont = QStringLiteral("ＭＳ ゴシック");
void installFontSubstitutions();
QFont interfaceFont(const QString& family, int pixelSize = 12);

}  // namespace moxtal
