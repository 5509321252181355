#pragma once

#include <cstddef>
#include <functional>
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
// Nothing else reaches the windows meanwhile: the dialog is modal, and once the user chose "Cancel"
// no more events are handled until the work has ended.
class LongWork {
public:
    // Whether the dialog offers "Cancel": not for work that must end what the user already did.
    enum class Cancel { Offered, NotOffered };

    // label names what is counted, e.g. "Listing: %1 entries". With a total known ahead the bar
    // shows how far the count got; without, it only shows that the work goes on.
    LongWork(QWidget* parent, QString label, std::optional<std::size_t> total = std::nullopt,
             Cancel cancel = Cancel::Offered);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // Reports how far the work got; false once the user chose "Cancel".
    bool step(std::size_t count);
    bool cancelled() const { return m_cancelled; }

    // The next part of the same work, counted under its own label and total: the wait goes on
    // from where it is, with the dialog that is already open.
    void setLabel(QString label, std::optional<std::size_t> total = std::nullopt);

    // Runs work, which counts nothing of its own, on a thread of its own while this thread keeps
    // the wait shown at count; rethrows what work throws. Nothing may touch what work reads or
    // writes meanwhile: the windows only repaint. work runs to its end whatever the user chooses;
    // false when the user chose "Cancel" (then its result is for the caller to drop).
    bool await(const std::function<void()>& work, std::size_t count);

    // Tests: no dialog is shown; work that offers "Cancel" is cancelled once count reaches cancelAt
    // (none: never).
    static void setTestCancelAt(std::optional<std::size_t> cancelAt);
    // Tests that show the real dialog: it opens at the first step instead of after half a second.
    static void setTestDialogAtOnce(bool atOnce);

private:
    void openDialog();

    QWidget* m_parent;
    QString m_label;
    std::optional<std::size_t> m_total;
    Cancel m_cancel;
    QElapsedTimer m_clock;
    qint64 m_lastUpdate = 0;
    bool m_busy = false;
    bool m_cancelled = false;
    std::unique_ptr<QProgressDialog> m_dialog;
};

}  // namespace moxtal
