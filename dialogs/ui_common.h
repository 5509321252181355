#pragma once

#include <functional>

#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

namespace moxtal {

// The interface fonts, kept under their design names and mapped to their metric twins.
inline const QString kProportionalFont = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kFixedFont = QStringLiteral("ＭＳ ゴシック");
void installFontSubstitutions();
QFont interfaceFont(const QString& family, int pixelSize = 12);

// Hints stay visible for 10 seconds on every control of the window.
void applyHintDuration(QWidget* window);

// Runs every registered update handler; called whenever the application falls idle.
void registerIdleUpdate(QObject* owner, std::function<void()> update);
void runIdleUpdates();

// The one seam for message boxes: in test mode messages are recorded, not shown.
namespace MessageBox {
void show(QWidget* parent, const QString& text);
void setTestMode(bool recordOnly);
QStringList takeRecorded();
}  // namespace MessageBox

}  // namespace moxtal
