#include "ui_common.h"

#include <vector>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace moxtal {

void installFontSubstitutions()
{
    QFont::insertSubstitution(kProportionalFont, QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(kFixedFont, QStringLiteral("IPAGothic"));
}

QFont interfaceFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    if (family == kFixedFont)
        font.setStyleHint(QFont::Monospace);
    return font;
}

void applyHintDuration(QWidget* window)
{
    window->setToolTipDuration(10000);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->setToolTipDuration(10000);
}

namespace {

struct IdleUpdate {
    QPointer<QObject> owner;
    std::function<void()> update;
};

std::vector<IdleUpdate>& idleUpdates()
{
    static std::vector<IdleUpdate> updates;
    return updates;
}

}  // namespace

void registerIdleUpdate(QObject* owner, std::function<void()> update)
{
    static bool hooked = false;
    if (!hooked) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &runIdleUpdates);
            hooked = true;
        }
    }
    idleUpdates().push_back({owner, std::move(update)});
}

void runIdleUpdates()
{
    auto& updates = idleUpdates();
    std::erase_if(updates, [](const IdleUpdate& u) { return u.owner.isNull(); });
    for (std::size_t i = 0; i < updates.size(); ++i) {
        if (updates[i].owner)
            updates[i].update();
    }
}

namespace MessageBox {

namespace {
bool g_recordOnly = false;
QStringList g_recorded;
}  // namespace

void show(QWidget* parent, const QString& text)
{
    if (g_recordOnly) {
        g_recorded.push_back(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void setTestMode(bool recordOnly)
{
    g_recordOnly = recordOnly;
}

QStringList takeRecorded()
{
    QStringList out;
    out.swap(g_recorded);
    return out;
}

}  // namespace MessageBox

}  // namespace moxtal
