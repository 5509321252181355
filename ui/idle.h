#pragma once

#include <functional>

#include <QObject>

namespace moxtal {

// Runs every registered update handler; called whenever the application falls idle.
void registerIdleUpdate(QObject* owner, std::function<void()> update);
void runIdleUpdates();

}  // namespace moxtal
