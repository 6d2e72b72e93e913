#pragma once

#include "app/frmmain.h"
#include "platform/msgbox.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <utility>
#include <vector>

class QLabel;

// Drives the real main window through one check-in as the operator does and times it.
// Untimed: the 2 s pause is ended at once by firing Timer1_Timer (as its tick would), the
// number is typed key by key over the previous one, which the desk leaves selected (the
// first key clears the last guest), and the screen is repainted. Timed: from sending the Enter key event to the entry
// box until the verdict label, visible, has received its first paint event after the verdict was decided (the
// window's backing store has been repainted with the verdict); what the desk does after that (the entry's time read
// back, the journal, the count) is timed apart. Message boxes are answered with OK and counted. The window is borrowed,
// not owned.
class DeskDriver : public QObject
{
    Q_OBJECT
public:
    explicit DeskDriver(frmMain &window);
    ~DeskDriver() override;

    struct Outcome
    {
        double milliseconds = 0;      // Enter to the verdict painted
        double wholeMilliseconds = 0; // Enter to the check-in's work done and the screen settled
        int kind = -1; // InvitationSample::Kind of the verdict on screen, -1 for none or an error
        QString text;  // the visible verdict's caption
        bool painted = false;
        frmMain::CheckinSteps steps; // inside VerifyCode
        double eventLoop = 0;        // after VerifyCode returned, until the verdict's paint
    };
    Outcome checkIn(const QString &number);

    int messageBoxes() const { return m_messageBoxes; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *visibleVerdict() const;

    frmMain &m_window;
    QObject *m_painted = nullptr; // the last verdict label that received a paint event
    // The paint events of the verdict labels during the check-in, in order, and when.
    std::vector<std::pair<QObject *, std::chrono::steady_clock::time_point>> m_paints;
    int m_messageBoxes = 0;
    MsgBox::Handler m_previousHandler;
};
