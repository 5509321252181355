#include "contrast.h"

#include <algorithm>
#include <cmath>

#include <QPalette>

namespace moxtal {

namespace {

constexpr double kReadable = 4.5;
const QColor kAmber(255, 193, 7);
constexpr double kTintShare = 0.3;  // of the amber in the tint: noticed, not alarming

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double share)
{
    auto channel = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
    const QColor a = from.toRgb(), b = to.toRgb();
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

RowTint noticeTint(const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const QColor text = palette.color(QPalette::Active, QPalette::Text);
    RowTint tint {mixed(base, kAmber, kTintShare), text};
    if (contrastRatio(tint.text, tint.background) < kReadable) {
        // A palette whose text does not read on the tint: black or white, whichever reads better
        // (one of them always holds 4.5:1).
        const QColor black(Qt::black), white(Qt::white);
        tint.text = contrastRatio(black, tint.background) >= contrastRatio(white, tint.background) ? black : white;
    }
    return tint;
}

}  // namespace moxtal
