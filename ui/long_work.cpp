#include "long_work.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#include <QApplication>
#include <QKeyEvent>
#include <QProgressDialog>

#include "seams.h"
#include "window_bounds.h"

namespace moxtal {

namespace {

constexpr qint64 kBusyAfterMs = 200;
constexpr qint64 kDialogAfterMs = 500;
constexpr qint64 kUpdateEveryMs = 50;
constexpr int kScaledMaximum = 1'000'000;  // a bar's steps where the total passes the int range
constexpr std::chrono::milliseconds kAwaitSlice {20};  // how often a wait for a thread looks up
std::optional<std::size_t> g_testCancelAt;
bool g_testDialogAtOnce = false;

// Keeps a dialog without "Cancel" open: neither Escape nor its title bar's close button ends it.
class KeepOpen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

BarPosition barPosition(std::size_t count, std::size_t total)
{
    count = std::min(count, total);
    if (total <= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {static_cast<int>(total), static_cast<int>(count)};
    const double fraction = static_cast<double>(count) / static_cast<double>(total);
    return {kScaledMaximum, static_cast<int>(fraction * kScaledMaximum)};
}

LongWork::LongWork(QWidget* parent, QString label, std::optional<std::size_t> total, Cancel cancel)
    : m_parent(parent), m_label(std::move(label)), m_total(total), m_cancel(cancel)
{
    m_clock.start();
}

LongWork::~LongWork()
{
    if (m_busy)
        QApplication::restoreOverrideCursor();
}

void LongWork::setTestCancelAt(std::optional<std::size_t> cancelAt)
{
    g_testCancelAt = cancelAt;
}

void LongWork::setTestDialogAtOnce(bool atOnce)
{
    g_testDialogAtOnce = atOnce;
}

void LongWork::setLabel(QString label, std::optional<std::size_t> total)
{
    m_label = std::move(label);
    m_total = total;
    if (m_dialog)
        m_dialog->setRange(0, m_total ? barPosition(0, *m_total).maximum : 0);
    m_lastUpdate = -kUpdateEveryMs;  // the new label is shown at the next step
}

bool LongWork::step(std::size_t count)
{
    // After "Cancel" the windows take no input until the work has ended.
    if (m_cancelled)
        return false;
    if (MessageBox::testMode()) {
        m_cancelled = m_cancel == Cancel::Offered && g_testCancelAt && count >= *g_testCancelAt;
        return !m_cancelled;
    }
    const qint64 now = m_clock.elapsed();
    if (!m_busy && now >= kBusyAfterMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
    const qint64 dialogAfter = g_testDialogAtOnce ? 0 : kDialogAfterMs;
    if (now < dialogAfter || (m_dialog && now - m_lastUpdate < kUpdateEveryMs)) {
        m_cancelled = m_dialog && m_dialog->wasCanceled();
        return !m_cancelled;
    }
    m_lastUpdate = now;
    if (!m_dialog)
        openDialog();
    m_dialog->setLabelText(m_label.contains(QLatin1String("%1")) ? m_label.arg(count) : m_label);
    if (m_total)
        m_dialog->setValue(barPosition(count, *m_total).value);
    QCoreApplication::processEvents();
    m_cancelled = m_dialog->wasCanceled();
    return !m_cancelled;
}

void LongWork::openDialog()
{
    m_dialog = std::make_unique<QProgressDialog>(m_parent);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    if (m_cancel == Cancel::Offered) {
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
    } else {
        m_dialog->setCancelButton(nullptr);
        m_dialog->installEventFilter(new KeepOpen(m_dialog.get()));
    }
    // The dialog stays up until the work ends, also once the count reaches the total.
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    // Without a total the bar only shows that the work goes on.
    m_dialog->setRange(0, m_total ? barPosition(0, *m_total).maximum : 0);
    m_dialog->setMinimumDuration(0);
    openWhollyOnScreen(m_dialog.get());
    m_dialog->show();
}

bool LongWork::await(const std::function<void()>& work, std::size_t count)
{
    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    std::exception_ptr failure;
    const auto run = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> hold(lock);
        done = true;
        ended.notify_one();
    };
    std::thread worker;
    try {
        worker = std::thread(run);
    } catch (const std::system_error&) {
        run();  // no thread to be had: the work runs here, with the wait as it stood
    }
    for (;;) {
        step(count);
        std::unique_lock<std::mutex> hold(lock);
        if (ended.wait_for(hold, kAwaitSlice, [&] { return done; }))
            break;
    }
    if (worker.joinable())
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return step(count);
}

}  // namespace moxtal
