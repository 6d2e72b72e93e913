// frmMain: what the operator hears and sees without reading the verdict. Each verdict plays
// its own short sound (VerdictSoundPlayer) and shows a large symbol beside its text
// (VerdictSymbol, placed by the resize layout with the band). The speaker button on the right
// of the header mutes and unmutes (so does Ctrl+M) and its arrow opens the volume.
#include "app/frmmain.h"

#include "app/resizelayout.h"
#include "ui/artwork.h"
#include "ui/rightedgeanchor.h"
#include "ui/twipsgeometry.h"
#include "ui/verdictsound.h"
#include "ui/verdictsymbol.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>
#include <QWidgetAction>

void frmMain::createSoundControls()
{
    // Over the verdict labels, at the left end of the one on show.
    m_verdictSymbol = new VerdictSymbol(m_Frame2);
    m_verdictSymbol->setObjectName(QLatin1String(ResizeLayout::VerdictSymbolName));
    const TwipsRect verdict = TwipsGeometry::twipsRect(m_FXMessage_Invalid);
    TwipsGeometry::setTwipsRect(m_verdictSymbol, ResizeLayout::verdictSymbolRect(verdict, verdict));
    m_verdictSymbol->raise();

    m_verdictSounds = new VerdictSoundPlayer(this);

    m_soundButton = new QToolButton(m_header.frame);
    m_soundButton->setObjectName(QStringLiteral("SoundButton"));
    m_soundButton->setAutoRaise(true);
    m_soundButton->setFocusPolicy(Qt::NoFocus);
    m_soundButton->setIconSize(QSize(16, 16));
    m_soundButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_soundButton->setGeometry(0, 2, 34, 22);
    m_soundButton->raise();
    new RightEdgeAnchor(m_soundButton, 2);

    auto *menu = new QMenu(m_soundButton);
    QAction *mute = menu->addAction(QStringLiteral("Sem som\tCtrl+M"));
    mute->setCheckable(true);
    auto *slider = new QSlider(Qt::Horizontal, menu);
    slider->setObjectName(QStringLiteral("SoundVolume"));
    slider->setRange(0, 100);
    slider->setMinimumWidth(140);
    auto *volume = new QWidgetAction(menu);
    volume->setDefaultWidget(slider);
    menu->addSection(QStringLiteral("Volume"));
    menu->addAction(volume);
    m_soundButton->setMenu(menu);

    const auto showState = [this, mute, slider] {
        const bool available = m_verdictSounds->available();
        const bool muted = m_verdictSounds->muted() || !available;
        m_soundButton->setIcon(Artwork::speakerIcon(muted));
        m_soundButton->setEnabled(available);
        m_soundButton->setToolTip(!available ? QStringLiteral("Som desligado neste posto")
                                  : muted    ? QStringLiteral("Sem som (Ctrl+M liga o som)")
                                             : QStringLiteral("Som ligado (Ctrl+M tira o som)"));
        mute->setChecked(muted);
        slider->setValue(m_verdictSounds->volume());
    };
    showState();
    connect(m_verdictSounds, &VerdictSoundPlayer::mutedChanged, this, showState);
    connect(m_soundButton, &QToolButton::clicked, this, &frmMain::toggleSoundMuted);
    connect(mute, &QAction::triggered, m_verdictSounds, &VerdictSoundPlayer::setMuted);
    connect(slider, &QSlider::valueChanged, m_verdictSounds, &VerdictSoundPlayer::setVolume);

    // Ctrl+M anywhere in the window; it never reaches the entry box, so it clears nothing.
    auto *ctrlM = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), this);
    connect(ctrlM, &QShortcut::activated, this, &frmMain::toggleSoundMuted);
}

void frmMain::toggleSoundMuted()
{
    if (m_verdictSounds->available())
        m_verdictSounds->setMuted(!m_verdictSounds->muted());
}
