#include "long_work.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QProgressDialog>

#include "seams.h"
#include "window_bounds.h"

namespace moxtal {

namespace {

constexpr qint64 kBusyAfterMs = 200;
constexpr qint64 kDialogAfterMs = 500;
constexpr qint64 kUpdateEveryMs = 50;
constexpr int kScaledMaximum = 1'000'000;  // a bar's steps where the total passes the int range
std::optional<std::size_t> g_testCancelAt;
bool g_testDialogAtOnce = false;

}  // namespace

BarPosition barPosition(std::size_t count, std::size_t total)
{
    count = std::min(count, total);
    if (total <= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {static_cast<int>(total), static_cast<int>(count)};
    const double fraction = static_cast<double>(count) / static_cast<double>(total);
    return {kScaledMaximum, static_cast<int>(fraction * kScaledMaximum)};
}

LongWork::LongWork(QWidget* parent, QString label, std::optional<std::size_t> total)
    : m_parent(parent), m_label(std::move(label)), m_total(total)
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

bool LongWork::step(std::size_t count)
{
    if (MessageBox::testMode())
        return !(g_testCancelAt && count >= *g_testCancelAt);
    const qint64 now = m_clock.elapsed();
    if (!m_busy && now >= kBusyAfterMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
    const qint64 dialogAfter = g_testDialogAtOnce ? 0 : kDialogAfterMs;
    if (now < dialogAfter || (m_dialog && now - m_lastUpdate < kUpdateEveryMs))
        return !(m_dialog && m_dialog->wasCanceled());
    m_lastUpdate = now;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_parent);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
        // The dialog stays up until the work ends, also once the count reaches the total.
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        // Without a total the bar only shows that the work goes on.
        m_dialog->setRange(0, m_total ? barPosition(0, *m_total).maximum : 0);
        m_dialog->setMinimumDuration(0);
        openWhollyOnScreen(m_dialog.get());
        m_dialog->show();
    }
    m_dialog->setLabelText(m_label.arg(count));
    if (m_total)
        m_dialog->setValue(barPosition(count, *m_total).value);
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}

}  // namespace moxtal
