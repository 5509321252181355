#include "fonts.h"

namespace moxtal {

void installFontSubstitutions()
{
    // VL Gothic draws U+005C as a backslash (the IPA faces draw a yen sign): "\1" must read "\1".
    QFont::insertSubstitution(kProportionalFont, QStringLiteral("VL PGothic"));
    QFont::insertSubstitution(kFixedFont, QStringLiteral("VL Gothic"));
}

QFont interfaceFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    if (family == kFixedFont)
        font.setStyleHint(QFont::Monospace);
    return font;
}

}  // namespace moxtal
