#pragma once

#include <QObject>

class QAction;
class QSlider;
class QToolButton;
class QWidget;
class VerdictSoundPlayer;

// What the operator hears without reading the verdict: each verdict's short sound
// (VerdictSoundPlayer), and the header's speaker button that shows and changes it: a click
// mutes and unmutes (so does Ctrl+M anywhere in the window, never reaching the entry box), its
// menu holds the mute entry and the volume. A desk without sound shows the button disabled.
// A child of the main window; the player is its child.
class SoundControls : public QObject
{
    Q_OBJECT
public:
    SoundControls(QWidget *window, QToolButton *button, QAction *mute, QSlider *volume);

    VerdictSoundPlayer *player() const { return m_player; }
    void toggleMuted();

private:
    void showState();

    VerdictSoundPlayer *m_player;
    QToolButton *m_button;
    QAction *m_mute;
    QSlider *m_volume;
};
