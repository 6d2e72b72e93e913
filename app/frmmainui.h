#pragma once

#include "app/frmmain_design.h"
#include "idfotos/ucidfotos.h"

#include <QList>
#include <QPixmap>

#include <array>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QSlider;
class QToolBar;
class QToolButton;
class QWidget;
class VbTimer;
class VerdictSymbol;

// The main window's controls: made, given their texts, fonts, colours and design rectangles,
// stacked and held here, as a designer's Ui object holds a form's. Every control is a child
// of the window passed in (directly or through Frame1 and Frame2) and is deleted with it; the
// creation order is the tab order. Nothing is connected here: frmMain wires the controls to
// its procedures. Inherited controls keep their names; the additions are named for their job.
struct frmMainUi
{
    explicit frmMainUi(QWidget *window);
    frmMainUi(const frmMainUi &) = delete;
    frmMainUi &operator=(const frmMainUi &) = delete;

    // The header band and its artwork and labels.
    QFrame *Frame1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;

    // The body, and what it holds.
    QFrame *Frame2 = nullptr;
    VbTimer *Timer1 = nullptr;
    QLineEdit *FXNo_TAP = nullptr;
    // The four toolbar pictures.
    QList<QPixmap> ImageList1;
    QToolBar *Toolbar1 = nullptr;
    QToolBar *Toolbar2 = nullptr;
    QAction *Toolbar1Button = nullptr;
    QAction *Toolbar2Button = nullptr;
    // The photo control of the member panel.
    ucIDFotos *ucIDFotos1 = nullptr;

    // The member panel's captions and values, in frmMainDesign::MemberRow order, and each by name.
    std::array<QLabel *, frmMainDesign::MemberRowCount> memberCaptions{};
    std::array<QLabel *, frmMainDesign::MemberRowCount> memberValues{};
    QLabel *&FXNome_Union_Label = memberCaptions[frmMainDesign::NomeUnion];
    QLabel *&FXNo_Empresa_Label = memberCaptions[frmMainDesign::NoEmpresa];
    QLabel *&FXNo_Socio_Label = memberCaptions[frmMainDesign::NoSocio];
    QLabel *&FXData_Nascimento_Label = memberCaptions[frmMainDesign::DataNascimento];
    QLabel *&FXEmpresa_Label = memberCaptions[frmMainDesign::Empresa];
    QLabel *&FXBase_Label = memberCaptions[frmMainDesign::Base];
    QLabel *&FXMorada_Label = memberCaptions[frmMainDesign::Morada];
    QLabel *&FXLocalidade_Label = memberCaptions[frmMainDesign::Localidade];
    QLabel *&FXNome_Union = memberValues[frmMainDesign::NomeUnion];
    QLabel *&FXNo_Empresa = memberValues[frmMainDesign::NoEmpresa];
    QLabel *&FXNo_Socio = memberValues[frmMainDesign::NoSocio];
    QLabel *&FXData_Nascimento = memberValues[frmMainDesign::DataNascimento];
    QLabel *&FXEmpresa = memberValues[frmMainDesign::Empresa];
    QLabel *&FXBase = memberValues[frmMainDesign::Base];
    QLabel *&FXMorada = memberValues[frmMainDesign::Morada];
    QLabel *&FXLocalidade = memberValues[frmMainDesign::Localidade];
    // The entry box's caption "Nº Convite:".
    QLabel *Label4 = nullptr;

    // The two organisations' server status, hidden until the first Connect.
    QLabel *Label_ZELMAR = nullptr;
    QLabel *Label_KORDA = nullptr;
    // The verdicts (their Tag holds the standard text) and the band behind them; all hidden.
    QLabel *FXMessage_OK = nullptr;
    QLabel *FXMessage_Invalid = nullptr;
    QLabel *FXMessage_Alert = nullptr;
    QLabel *FXMessage_Fundo = nullptr;

    // --- The additions ---
    // "Procurar Convidado", beside the VIP button and in its style.
    QToolBar *searchToolBar = nullptr;
    QAction *searchButton = nullptr;
    // The live count "Entradas: N" on the right of the header band.
    QLabel *entryCountLabel = nullptr;
    // The first local copy's progress, small at the top right of the header; hidden, and
    // not made at all when the desk keeps no local copy.
    QLabel *localCopyLabel = nullptr;
    // "Estatísticas", beside the search.
    QToolBar *statisticsToolBar = nullptr;
    QAction *statisticsButton = nullptr;
    // The verdict's symbol, over the verdict labels at the left end of the one on show.
    VerdictSymbol *verdictSymbol = nullptr;
    // The header's speaker button, with its menu's mute entry and volume slider.
    QToolButton *soundButton = nullptr;
    QAction *muteAction = nullptr;
    QSlider *volumeSlider = nullptr;

private:
    void createHeader(QWidget *window);
    void createBody(QWidget *window);
    void createToolbars();
    static void applyStacking(QWidget *window);
    void createAdditions(QWidget *window);
};
