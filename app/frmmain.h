#pragma once

#include "app/frmmainui.h"
#include "app/lockedscanfilter.h"
#include "app/scanrecorder.h"
#include "data/connection.h"
#include "data/value.h"
#include "forms/vipsource.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class CheckinDesk;
struct CheckinResult;
class EntryCountDisplay;
class EntryCounter;
class frmEstatisticas;
class GuestSearchLauncher;
class LocalCopyDisplay;
class OfflineDoor;
class ReplicaRefresher;
class ResizeLayout;
class SoundControls;
class StatisticsLauncher;
class VerdictSoundPlayer;

// The desk's main window, caption "Convites": a header band (Frame1) and a body (Frame2)
// holding the entry box, the verdict labels, the member details, the photograph, the two
// server status labels and the one-button toolbars. The controls are made and held by
// frmMainUi (ui()), children of the window; the window holds the desk's procedures and state.
// The additions beside them (guest search, entry count, local copy, statistics, sounds, scan
// journal) are small objects the window owns. Procedures with an error handler report through
// the error tail and leave; closing the window ends the program (see closeEvent). It is the
// VIP lists' source: they call Connect and read ConnKORDA.
class frmMain : public QWidget, public VipSource
{
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Outer width and height in twips when the controls were last laid out, as the layout holds them.
    int32_t LastWidth() const;
    int32_t LastHeight() const;
    // convite_id of the invitation last looked up; 0 for none.
    int32_t LastConviteID = 0;

    // KORDA's member database; public because the VIP list reads it. Like the two private
    // connections below it holds no object until the first Connect, which replaces all three.
    ConnectionRef ConnKORDA;

    // Makes three fresh connections, proves each and shows the two organisations' status;
    // returns "" when all three work, otherwise the message to show.
    QString Connect() override;
    ConnectionRef kordaConnection() const override { return ConnKORDA; }
    // Verifies the number in the entry box end to end; errors never leave it.
    void VerifyCode();
    // Shows verdict kind 1 (accepted), 2 (not found) or 3 (refused); any other kind hides them all.
    void ShowMessage(int32_t msgTipo, const QString &Label, const QString &CallIn);
    // Empties the member panel, the photograph and the verdict, and ends the undo possibility.
    void LimparForm();
    // Fills the eight member labels from the current row of Rs (nothing for no, closed or empty Rs).
    void FillFields(RecordsetRef &Rs);

    // How long each step of the last check-in took, in milliseconds; for the benchmarks.
    struct CheckinSteps
    {
        double connect = 0; // the three connections made and proved
        double lookUp = 0;  // the invitation, the member and the photograph
        double entry = 0;   // the entry time written
        double show = 0;    // the verdict painted
        double after = 0;   // the journal and the entry count
    };
    const CheckinSteps &lastCheckinSteps() const { return m_steps; }

    const ConnectionRef &ConnSqlServer() const { return m_ConnSqlServer; }
    const ConnectionRef &ConnZELMAR() const { return m_ConnZELMAR; }

    // The window's size in twips, as Form_Load and the layout pass measure it (the
    // widget's own size, so that the measure before and after showing agree).
    double outerWidthTwips() const;
    double outerHeightTwips() const;

    // Stores the design size and shows the window maximized.
    void Form_Load();
    // The window's event procedures (virtual so that a test can watch them arrive).
    // Runs on every resize of the window: the layout pass over the controls' twips
    // rectangles (see ResizeLayout), applied to the widgets. Nothing moves before Form_Load
    // has stored the size the controls are laid out for.
    virtual void Form_Resize();
    virtual void Toolbar1_ButtonClick();
    virtual void Toolbar2_ButtonClick();
    // Every key pressed in the entry box, before the box handles it; the key is not consumed.
    virtual void FXNo_TAP_KeyDown(int16_t keyCode, int16_t shift);
    virtual void Timer1_Timer();

    // What closing the window calls with the executable's own file name; by default the
    // process utility that ends every process of that name. Tests replace it.
    using ProcessTerminator = std::function<bool(const QString &exeName)>;
    void setProcessTerminator(ProcessTerminator terminator) { m_terminator = std::move(terminator); }

    // The window's controls, named as the design names them.
    const frmMainUi &ui() const { return *m_ui; }

    // --- Additions beside the desk's own procedures ---
    // The guest chosen in "Procurar Convidado" is checked in through VerifyCode like a scan.
    void checkInChosenGuest(const QString &conviteNo);
    // After each verdict shown and each undo: the verdict's sound, the scan to the journal and
    // this desk's entry or undo to the count and the open statistics. verdict is accepted,
    // not_found, used, error, unreachable or undone; entryTime the entry time the check-in wrote
    // or found, read here only when it brings none. Never throws, never shows anything.
    void afterVerdict(const char *verdict, const Value &entryTime = Value()) noexcept;
    // The open statistics window, or null.
    frmEstatisticas *statisticsWindow() const;
    VerdictSoundPlayer *verdictSounds() const;
    // The local copy's refresher; null when the desk keeps no local copy (QUORVET_OFFLINE=off).
    ReplicaRefresher *replicaRefresher() const;
    // The live entry count's reader.
    EntryCounter *entryCounter() const;
    // The door offline from that copy, and the delivery of its entries (app/offlinedoor.cpp); null without a copy.
    OfflineDoor *offlineDoor() const { return m_offlineDoor; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Keys that arrive while the desk is locked (the entry box is disabled and has no focus).
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Connects the controls to the procedures and makes the additions' helpers.
    void wireControls();
    // Makes a window that asked to be maximized cover the screen when nothing maximized it.
    void fillScreenWhenNotMaximized();
    // The layout over the controls' current twips rectangles, made on first use.
    ResizeLayout &layout();
    // Gives every control the rectangle the layout holds for it.
    void applyLayout();

    // The check-in's own helpers (frmmain_checkin.cpp): the lock at its start, the
    // photograph the lookup chose, the default pointer and the two-second pause.
    void lockForCheckin();
    void loadPhotograph(CheckinDesk &desk, const CheckinResult &result);
    void unlockAfterVerdict();
    // The desk is locked from the start of a check-in to the end of its pause.
    bool deskLocked() const;

    std::unique_ptr<frmMainUi> m_ui;
    std::unique_ptr<ResizeLayout> m_layout;
    std::map<QString, QWidget *> m_layoutWidgets;

    ProcessTerminator m_terminator;
    // Drops a scan that began while the desk was locked, up to its Enter.
    LockedScanFilter m_lockedScans;
    // The entry time this desk's last check-in wrote for LastConviteID; Null when it wrote
    // none. The undo is offered only for such an entry, and clears it only while it holds it.
    Value m_writtenEntryTime = Value::null();
    // The server's clock as the last accepting check-in read it.
    ServerClock m_serverClock;
    CheckinSteps m_steps;

    ConnectionRef m_ConnSqlServer;
    ConnectionRef m_ConnZELMAR;

    // The additions, children of the window.
    ScanRecorder m_scans;
    GuestSearchLauncher *m_guestSearch = nullptr;
    EntryCountDisplay *m_entryCount = nullptr;
    LocalCopyDisplay *m_localCopy = nullptr; // null with QUORVET_OFFLINE=off
    OfflineDoor *m_offlineDoor = nullptr;    // null with QUORVET_OFFLINE=off
    StatisticsLauncher *m_statistics = nullptr;
    SoundControls *m_sound = nullptr;
};
