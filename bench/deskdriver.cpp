#include "bench/deskdriver.h"

#include "app/frmmain.h"
#include "bench/benchstats.h"
#include "bench/invitationsample.h"
#include "platform/msgbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

DeskDriver::DeskDriver(frmMain &window) : m_window(window)
{
    for (QLabel *label : {window.ui().FXMessage_OK, window.ui().FXMessage_Alert, window.ui().FXMessage_Invalid})
        label->installEventFilter(this);
    m_previousHandler = MsgBox::setHandler([this](const QString &, int, const QString &) {
        ++m_messageBoxes;
        return 1; // OK
    });
}

DeskDriver::~DeskDriver()
{
    MsgBox::setHandler(m_previousHandler);
}

bool DeskDriver::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint) {
        m_painted = watched;
        m_paints.emplace_back(watched, BenchStats::Clock::now());
    }
    return QObject::eventFilter(watched, event);
}

QLabel *DeskDriver::visibleVerdict() const
{
    for (QLabel *label : {m_window.ui().FXMessage_OK, m_window.ui().FXMessage_Alert, m_window.ui().FXMessage_Invalid}) {
        if (label->isVisible())
            return label;
    }
    return nullptr;
}

DeskDriver::Outcome DeskDriver::checkIn(const QString &number)
{
    QLineEdit *box = m_window.ui().FXNo_TAP;
    // Untimed: the pause ends, the operator types the next number and the screen settles.
    m_window.Timer1_Timer();
    // The desk leaves the last number selected, so the new one typed replaces it.
    QTest::keyClicks(box, number);
    QCoreApplication::processEvents();
    m_painted = nullptr;
    m_paints.clear();

    Outcome outcome;
    const auto start = BenchStats::Clock::now();
    QTest::keyClick(box, Qt::Key_Return);
    const auto returned = BenchStats::Clock::now();
    outcome.steps = m_window.lastCheckinSteps();
    QLabel *shown = visibleVerdict();
    QCoreApplication::processEvents();
    // The repaint is normally delivered by the first pass; a platform that defers it to a
    // timer gets up to a second, which then shows in the figures.
    if (shown && m_painted != shown) {
        QElapsedTimer guard;
        guard.start();
        while (m_painted != shown && guard.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    const auto end = BenchStats::Clock::now();
    outcome.painted = shown && m_painted == shown;
    // The verdict's paint is the label's first once the verdict is decided: earlier ones (while
    // the connections are proved) show the previous verdict.
    const double decidedMs = outcome.steps.connect + outcome.steps.lookUp + outcome.steps.entry;
    auto paintedAt = end;
    for (const auto &[label, at] : m_paints)
        if (label == shown && BenchStats::millisecondsBetween(start, at) >= decidedMs) {
            paintedAt = at;
            break;
        }
    outcome.milliseconds = BenchStats::millisecondsBetween(start, paintedAt);
    outcome.wholeMilliseconds = BenchStats::millisecondsBetween(start, end);
    outcome.eventLoop = BenchStats::millisecondsBetween(returned, end);

    if (!shown)
        return outcome;
    outcome.text = shown->text();
    if (shown == m_window.ui().FXMessage_OK)
        outcome.kind = outcome.text.contains(QStringLiteral("(CALL: ")) ? InvitationSample::GuestWithCallSign
                                                                        : InvitationSample::Accepted;
    else if (shown == m_window.ui().FXMessage_Alert)
        outcome.kind = InvitationSample::NotFound;
    else if (outcome.text.startsWith(QStringLiteral("Convite expirado. Já entrou às ")))
        outcome.kind = InvitationSample::AlreadyUsed;
    return outcome;
}
