#pragma once

#include <QDialog>

namespace moxtal {

// The history editor: edits a history list as text (its editing arrives with the history commands).
class THistory : public QDialog {
    Q_OBJECT
public:
    explicit THistory(QWidget* parent = nullptr);
};

}  // namespace moxtal
