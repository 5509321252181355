#pragma once

#include <cstddef>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QString>

class QProgressDialog;
class QWidget;

namespace moxtal {

// Where a progress bar stands at count out of total: its maximum and value, scaled down together
// where total passes the bar's int range, so that the bar always shows the true fraction.
struct BarPosition {
    int maximum = 0;
    int value = 0;
};
BarPosition barPosition(std::size_t count, std::size_t total);

// Long work on the interface thread (a listing, a rename pass): after about half a second a busy
// cursor, then a modal progress dialog with the count and "Cancel", kept up to date between steps.
// Nothing else reaches the windows meanwhile: the dialog is modal.
class LongWork {
public:
    // label names what is counted, e.g. "Listing: %1 entries". With a total known ahead the bar
    // shows how far the count got; without, it only shows that the work goes on.
    LongWork(QWidget* parent, QString label, std::optional<std::size_t> total = std::nullopt);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Reports how far the work got; false once the user chose "Cancel".
    bool step(std::size_t count);

    // Tests: no dialog is shown; the work is cancelled once count reaches cancelAt (none: never).
    static void setTestCancelAt(std::optional<std::size_t> cancelAt);
    // Tests that show the real dialog: it opens at the first step instead of after half a second.
    static void setTestDialogAtOnce(bool atOnce);

private:
    QWidget* m_parent;
    QString m_label;
    std::optional<std::size_t> m_total;
    QElapsedTimer m_clock;
    qint64 m_lastUpdate = 0;
    bool m_busy = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};

}  // namespace moxtal
