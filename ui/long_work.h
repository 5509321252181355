#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace moxtal {

// Long work on the interface thread (a listing, a rename pass): after about half a second a busy
// cursor, then a modal progress dialog with the count and "Cancel", kept up to date between steps.
// Nothing else reaches the windows meanwhile: the dialog is modal.
class LongWork {
public:
    // label names what is counted, e.g. "Listing: %1 entries".
    LongWork(QWidget* parent, QString label);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Reports how far the work got; false once the user chose "Cancel".
    bool step(std::size_t count);

    // Tests: no dialog is shown; the work is cancelled once count reaches cancelAt (none: never).
    static void setTestCancelAt(std::optional<std::size_t> cancelAt);

private:
    QWidget* m_parent;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_lastUpdate = 0;
    bool m_busy = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};

}  // namespace moxtal
