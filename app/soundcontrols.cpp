#include "app/soundcontrols.h"

#include "ui/artwork.h"
#include "ui/verdictsound.h"

#include <QAction>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>

SoundControls::SoundControls(QWidget *window, QToolButton *button, QAction *mute, QSlider *volume)
    : QObject(window), m_player(new VerdictSoundPlayer(this)), m_button(button), m_mute(mute), m_volume(volume)
{
    showState();
    connect(m_player, &VerdictSoundPlayer::mutedChanged, this, &SoundControls::showState);
    connect(m_button, &QToolButton::clicked, this, &SoundControls::toggleMuted);
    connect(m_mute, &QAction::triggered, m_player, &VerdictSoundPlayer::setMuted);
    connect(m_volume, &QSlider::valueChanged, m_player, &VerdictSoundPlayer::setVolume);

    auto *ctrlM = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_M), window);
    connect(ctrlM, &QShortcut::activated, this, &SoundControls::toggleMuted);
}

void SoundControls::toggleMuted()
{
    if (m_player->available())
        m_player->setMuted(!m_player->muted());
}

void SoundControls::showState()
{
    const bool available = m_player->available();
    const bool muted = m_player->muted() || !available;
    m_button->setIcon(Artwork::speakerIcon(muted));
    m_button->setEnabled(available);
    m_button->setToolTip(!available ? QStringLiteral("Som desligado neste posto")
                         : muted    ? QStringLiteral("Sem som (Ctrl+M liga o som)")
                                    : QStringLiteral("Som ligado (Ctrl+M tira o som)"));
    m_mute->setChecked(muted);
    m_volume->setValue(m_player->volume());
}
