#pragma once

#include <QColor>

class QPalette;

namespace moxtal {

// The contrast ratio of two colours as the accessibility guidelines (WCAG 2) measure it, from 1
// (the same lightness) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// Text and background of a row that asks for notice: an amber tint over the palette's base, pale
// on a light base and dark on a dark one, with text that reads on it at 4.5:1 at least (the
// palette's own text where it does).
struct RowTint {
    QColor background;
    QColor text;
};
RowTint noticeTint(const QPalette& palette);

}  // namespace moxtal
