#pragma once

#include <QWidget>

namespace moxtal {

// The clipboard watcher window (its watching arrives with the watcher's own commands).
class TClipWindow : public QWidget {
    Q_OBJECT
public:
    explicit TClipWindow(QWidget* parent = nullptr);
};

}  // namespace moxtal
