#pragma once

#include "app/frmmain_design.h"
#include "app/lockedscanfilter.h"
#include "data/connection.h"
#include "data/value.h"
#include "forms/vipsource.h"
#include "idfotos/ucidfotos.h"
#include "ui/headerband.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class CheckinDesk;
struct CheckinResult;
class EntryCounter;
class OfflineDoor;
class ReplicaRefresher;
class frmEstatisticas;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;
class ResizeLayout;
class ScanJournal;
class VbTimer;
class VerdictSoundPlayer;
class VerdictSymbol;

// The desk's main window, caption "Convites": a header band (Frame1) and a body (Frame2)
// holding the entry box, the verdict labels, the member details, the photograph, the two
// server status labels and two one-button toolbars. Every control is a child owned by the
// window and is reached through its accessor, named like the control. Procedures with an
// error handler report through the error tail and leave; closing the window ends the
// program (see closeEvent). It is the VIP lists' source: they call Connect and read ConnKORDA.
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

    QFrame *Frame1() const { return m_header.frame; }
    QFrame *Frame2() const { return m_Frame2; }
    QLabel *Image1() const { return m_header.image1; }
    QLabel *Image2() const { return m_header.image2; }
    QLabel *Label1() const { return m_header.label1; }
    QLabel *Label2() const { return m_header.label2; }
    QLabel *Label3() const { return m_header.label3; }
    VbTimer *Timer1() const { return m_Timer1; }
    // The photo control of the member panel.
    ucIDFotos *ucIDFotos1() const { return m_ucIDFotos1; }
    QLineEdit *FXNo_TAP() const { return m_FXNo_TAP; }
    // The four toolbar pictures.
    const QList<QPixmap> &ImageList1() const { return m_ImageList1; }
    QToolBar *Toolbar1() const { return m_Toolbar1; }
    QToolBar *Toolbar2() const { return m_Toolbar2; }
    QAction *Toolbar1Button() const { return m_Toolbar1Button; }
    QAction *Toolbar2Button() const { return m_Toolbar2Button; }
    QLabel *FXNome_Union_Label() const { return m_memberCaptions[frmMainDesign::NomeUnion]; }
    QLabel *FXNo_Empresa_Label() const { return m_memberCaptions[frmMainDesign::NoEmpresa]; }
    QLabel *FXNo_Socio_Label() const { return m_memberCaptions[frmMainDesign::NoSocio]; }
    QLabel *FXData_Nascimento_Label() const { return m_memberCaptions[frmMainDesign::DataNascimento]; }
    QLabel *FXEmpresa_Label() const { return m_memberCaptions[frmMainDesign::Empresa]; }
    QLabel *FXBase_Label() const { return m_memberCaptions[frmMainDesign::Base]; }
    QLabel *FXMorada_Label() const { return m_memberCaptions[frmMainDesign::Morada]; }
    QLabel *FXLocalidade_Label() const { return m_memberCaptions[frmMainDesign::Localidade]; }
    QLabel *FXNome_Union() const { return m_memberValues[frmMainDesign::NomeUnion]; }
    QLabel *FXNo_Empresa() const { return m_memberValues[frmMainDesign::NoEmpresa]; }
    QLabel *FXNo_Socio() const { return m_memberValues[frmMainDesign::NoSocio]; }
    QLabel *FXData_Nascimento() const { return m_memberValues[frmMainDesign::DataNascimento]; }
    QLabel *FXEmpresa() const { return m_memberValues[frmMainDesign::Empresa]; }
    QLabel *FXBase() const { return m_memberValues[frmMainDesign::Base]; }
    QLabel *FXMorada() const { return m_memberValues[frmMainDesign::Morada]; }
    QLabel *FXLocalidade() const { return m_memberValues[frmMainDesign::Localidade]; }
    QLabel *Label_ZELMAR() const { return m_Label_ZELMAR; }
    QLabel *Label_KORDA() const { return m_Label_KORDA; }
    QLabel *Label4() const { return m_Label4; }
    QLabel *FXMessage_OK() const { return m_FXMessage_OK; }
    QLabel *FXMessage_Invalid() const { return m_FXMessage_Invalid; }
    QLabel *FXMessage_Alert() const { return m_FXMessage_Alert; }
    QLabel *FXMessage_Fundo() const { return m_FXMessage_Fundo; }

    // --- Additions beside the desk's own procedures (each in a file of its own) ---
    // The guest search (frmmain_search.cpp): the Toolbar3 button and F3 open "Procurar
    // Convidado"; a guest chosen there is checked in through VerifyCode like a scan.
    virtual void Toolbar3_ButtonClick();
    void checkInChosenGuest(const QString &conviteNo);
    QToolBar *Toolbar3() const { return m_Toolbar3; }
    QAction *Toolbar3Button() const { return m_Toolbar3Button; }
    // The live count "Entradas: N" on the right of the header band (frmmain_entrycount.cpp).
    QLabel *LabelEntradas() const { return m_LabelEntradas; }
    EntryCounter *entryCounter() const { return m_entryCounter; }
    // The local copy and its progress in the header (frmmain_localcopy.cpp); null with QUORVET_OFFLINE=off.
    ReplicaRefresher *replicaRefresher() const { return m_replicaRefresher; }
    QLabel *LabelCopia() const { return m_LabelCopia; }
    // The door offline from that copy, and the delivery of its entries (app/offlinedoor.cpp); null without a copy.
    OfflineDoor *offlineDoor() const { return m_offlineDoor; }
    // The statistics (frmmain_statistics.cpp): the Toolbar4 button and F4 open "Estatísticas",
    // or raise it when it is open; it reads again after this desk's entry or undo.
    virtual void Toolbar4_ButtonClick();
    QToolBar *Toolbar4() const { return m_Toolbar4; }
    QAction *Toolbar4Button() const { return m_Toolbar4Button; }
    frmEstatisticas *statisticsWindow() const;
    // After each verdict shown and each undo (frmmain_afterverdict.cpp): the scan goes to the
    // journal and the count takes this desk's entry or undo. verdict is accepted, not_found, used, error,
    // unreachable or undone; entryTime the entry time the check-in wrote or found, read here
    // only when it brings none. Never throws, never shows anything.
    void afterVerdict(const char *verdict, const Value &entryTime = Value()) noexcept;
    // Reads the open statistics window again (nothing when none is open).
    void refreshStatistics();
    // The verdict's sound and symbol (frmmain_sound.cpp): the symbol beside the verdict text,
    // the sounds, and the header's speaker button; Ctrl+M toggles muting.
    VerdictSymbol *verdictSymbol() const { return m_verdictSymbol; }
    VerdictSoundPlayer *verdictSounds() const { return m_verdictSounds; }
    QToolButton *soundButton() const { return m_soundButton; }
    void toggleSoundMuted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Keys that arrive while the desk is locked (the entry box is disabled and has no focus).
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Makes a window that asked to be maximized cover the screen when nothing maximized it.
    void fillScreenWhenNotMaximized();
    // Built in frmmain_controls.cpp, in the order that gives the tab order.
    void createControls();
    void createHeader();
    void createBody();
    void createToolbars();
    void applyStacking();
    // The additions' controls, made after the design's own (frmmain_search.cpp, frmmain_entrycount.cpp).
    void createAdditions();
    void createSearchButton();
    void createEntryCount();
    static constexpr int StartDelayMs = 2000;
    void createLocalCopy();
    void createStatisticsButton();
    void createSoundControls();
    QLabel *placeLabel(QWidget *container, const char *name, const QString &text = QString());
    // The layout over the controls' current twips rectangles, made on first use (frmmain_layout.cpp).
    ResizeLayout &layout();
    // Gives every control the rectangle the layout holds for it.
    void applyLayout();

    std::unique_ptr<ResizeLayout> m_layout;
    std::map<QString, QWidget *> m_layoutWidgets;

    // The check-in's own helpers (frmmain_checkin.cpp): the lock at its start, the
    // photograph the lookup chose, the default pointer and the two-second pause.
    void lockForCheckin();
    void loadPhotograph(CheckinDesk &desk, const CheckinResult &result);
    void unlockAfterVerdict();
    // The desk is locked from the start of a check-in to the end of its pause.
    bool deskLocked() const;

    ProcessTerminator m_terminator;
    // Drops a scan that began while the desk was locked, up to its Enter.
    LockedScanFilter m_lockedScans;
    // The entry time this desk's last check-in wrote for LastConviteID; Null when it wrote
    // none. The undo is offered only for such an entry, and clears it only while it holds it.
    Value m_writtenEntryTime = Value::null();
    CheckinSteps m_steps;

    ConnectionRef m_ConnSqlServer;
    ConnectionRef m_ConnZELMAR;

    QFrame *m_Frame2 = nullptr;
    VbTimer *m_Timer1 = nullptr;
    ucIDFotos *m_ucIDFotos1 = nullptr;
    QLineEdit *m_FXNo_TAP = nullptr;
    QList<QPixmap> m_ImageList1;
    QToolBar *m_Toolbar1 = nullptr;
    QToolBar *m_Toolbar2 = nullptr;
    QAction *m_Toolbar1Button = nullptr;
    QAction *m_Toolbar2Button = nullptr;
    // The member panel's captions and values, in frmMainDesign::MemberRow order.
    std::array<QLabel *, frmMainDesign::MemberRowCount> m_memberCaptions{};
    std::array<QLabel *, frmMainDesign::MemberRowCount> m_memberValues{};
    QLabel *m_Label_ZELMAR = nullptr;
    QLabel *m_Label_KORDA = nullptr;
    QLabel *m_Label4 = nullptr;
    QLabel *m_FXMessage_OK = nullptr;
    QLabel *m_FXMessage_Invalid = nullptr;
    QLabel *m_FXMessage_Alert = nullptr;
    QLabel *m_FXMessage_Fundo = nullptr;

    QToolBar *m_Toolbar3 = nullptr;
    QAction *m_Toolbar3Button = nullptr;
    QLabel *m_LabelEntradas = nullptr;
    EntryCounter *m_entryCounter = nullptr;
    ReplicaRefresher *m_replicaRefresher = nullptr;
    QLabel *m_LabelCopia = nullptr;
    OfflineDoor *m_offlineDoor = nullptr;
    QToolBar *m_Toolbar4 = nullptr;
    QAction *m_Toolbar4Button = nullptr;
    QPointer<frmEstatisticas> m_statistics;
    std::shared_ptr<ScanJournal> m_scanJournal;
    VerdictSymbol *m_verdictSymbol = nullptr;
    VerdictSoundPlayer *m_verdictSounds = nullptr;
    QToolButton *m_soundButton = nullptr;
    // Frame1 and its pictures and labels.
    HeaderBand m_header;
};
