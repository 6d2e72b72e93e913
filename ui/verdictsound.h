#pragma once

#include "ui/verdicttones.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

class QSoundEffect;

// The operator's sound choice, kept per user in QSettings ("quorvet"/"quorvet", on Linux
// ~/.config/quorvet/quorvet.conf) under sound/muted and sound/volume (percent, 0 to 100).
struct SoundSettings
{
    bool muted = false;
    int volume = 80;

    static SoundSettings load();
    void save() const;
    // QUORVET_SOUND=off (any case) silences the desk on this machine, whatever the users chose.
    static bool silencedForMachine();
};

// Which sound a verdict gets, from the name the scan journal gives the outcome: accepted,
// not_found, used (already entered or refused), error, unreachable, undone. Nothing for any
// other name.
std::optional<VerdictTones::Outcome> outcomeForVerdict(const QString &journalVerdict);

// Plays the verdict sounds through Qt Multimedia. The five effects are loaded when the
// player is made, so a verdict's sound only has to start. Without an audio output, or when
// the audio server goes away, play() does nothing else: no message, no wait; the first
// failure is written to the error report, once for the player's life. Never throws.
class VerdictSoundPlayer : public QObject
{
    Q_OBJECT
public:
    explicit VerdictSoundPlayer(QObject *parent = nullptr);
    ~VerdictSoundPlayer() override;

    // False when the machine has sound turned off (QUORVET_SOUND=off); then nothing is loaded.
    bool available() const { return !m_silenced; }
    bool muted() const { return m_settings.muted; }
    int volume() const { return m_settings.volume; }
    // Both are kept in the user's settings at once.
    void setMuted(bool muted);
    void setVolume(int percent);

    // Starts the outcome's sound, cutting short any verdict sound still playing.
    void play(VerdictTones::Outcome outcome) noexcept;
    // The same for a journal verdict name (outcomeForVerdict); unknown names play nothing.
    void playVerdict(const QString &journalVerdict) noexcept;

signals:
    void mutedChanged(bool muted);
    void volumeChanged(int percent);

private:
    void reportOnce(const QString &what) noexcept;
    void stopAll();
    void prepare(VerdictTones::Outcome outcome);
    // A sound that ends long before its time was refused by the audio server (it went away).
    void watchEnd(VerdictTones::Outcome outcome);

    SoundSettings m_settings;
    bool m_silenced = false;
    bool m_reported = false;
    std::array<QSoundEffect *, VerdictTones::OutcomeCount> m_effects{};
    std::array<QElapsedTimer, VerdictTones::OutcomeCount> m_started{};
    bool m_stopping = false;
};
