#include "long_work.h"

#include <QApplication>
#include <QProgressDialog>

#include "seams.h"

namespace moxtal {

namespace {

constexpr qint64 kBusyAfterMs = 200;
constexpr qint64 kDialogAfterMs = 500;
constexpr qint64 kUpdateEveryMs = 50;
std::optional<std::size_t> g_testCancelAt;

}  // namespace

LongWork::LongWork(QWidget* parent, QString label) : m_parent(parent), m_label(std::move(label))
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

bool LongWork::step(std::size_t count)
{
    if (MessageBox::testMode())
        return !(g_testCancelAt && count >= *g_testCancelAt);
    const qint64 now = m_clock.elapsed();
    if (!m_busy && now >= kBusyAfterMs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
    if (now < kDialogAfterMs || now - m_lastUpdate < kUpdateEveryMs)
        return !(m_dialog && m_dialog->wasCanceled());
    m_lastUpdate = now;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_parent);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setCancelButtonText(QStringLiteral("Cancel"));
        m_dialog->setRange(0, 0);  // the total is not known ahead
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    m_dialog->setLabelText(m_label.arg(count));
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}

}  // namespace moxtal
