#include "idle.h"

#include <vector>

#include <QAbstractEventDispatcher>
#include <QPointer>

namespace moxtal {

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

}  // namespace moxtal
