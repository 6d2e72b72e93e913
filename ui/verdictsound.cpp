#include "ui/verdictsound.h"

#include "platform/errorreport.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QSettings>
#include <QSoundEffect>
#include <QUrl>

#include <algorithm>

SoundSettings SoundSettings::load()
{
    const QSettings s(QStringLiteral("quorvet"), QStringLiteral("quorvet"));
    SoundSettings settings;
    settings.muted = s.value(QStringLiteral("sound/muted"), false).toBool();
    bool ok = false;
    const int volume = s.value(QStringLiteral("sound/volume"), settings.volume).toInt(&ok);
    if (ok)
        settings.volume = std::clamp(volume, 0, 100);
    return settings;
}

void SoundSettings::save() const
{
    QSettings s(QStringLiteral("quorvet"), QStringLiteral("quorvet"));
    s.setValue(QStringLiteral("sound/muted"), muted);
    s.setValue(QStringLiteral("sound/volume"), volume);
}

bool SoundSettings::silencedForMachine()
{
    return qEnvironmentVariable("QUORVET_SOUND").compare(QLatin1String("off"), Qt::CaseInsensitive) == 0;
}

std::optional<VerdictTones::Outcome> outcomeForVerdict(const QString &journalVerdict)
{
    if (journalVerdict == QLatin1String("accepted"))
        return VerdictTones::Accepted;
    if (journalVerdict == QLatin1String("not_found"))
        return VerdictTones::NotFound;
    if (journalVerdict == QLatin1String("used"))
        return VerdictTones::Refused;
    if (journalVerdict == QLatin1String("error") || journalVerdict == QLatin1String("unreachable"))
        return VerdictTones::Error;
    if (journalVerdict == QLatin1String("undone"))
        return VerdictTones::Undone;
    return std::nullopt;
}

VerdictSoundPlayer::VerdictSoundPlayer(QObject *parent)
    : QObject(parent), m_settings(SoundSettings::load()), m_silenced(SoundSettings::silencedForMachine())
{
    if (m_silenced)
        return;
    for (int o = 0; o < VerdictTones::OutcomeCount; ++o)
        prepare(VerdictTones::Outcome(o));
}

void VerdictSoundPlayer::prepare(VerdictTones::Outcome outcome)
{
    auto *effect = new QSoundEffect(this);
    effect->setSource(QUrl(QStringLiteral("qrc") + VerdictTones::resourcePath(outcome)));
    effect->setVolume(float(m_settings.volume) / 100.0f);
    connect(effect, &QSoundEffect::statusChanged, this, [this, effect] {
        if (effect->status() == QSoundEffect::Error)
            reportOnce(QStringLiteral("The verdict sound ") + effect->source().toString()
                       + QStringLiteral(" cannot be played"));
    });
    connect(effect, &QSoundEffect::playingChanged, this, [this, outcome] { watchEnd(outcome); });
    m_effects[size_t(outcome)] = effect;
}

VerdictSoundPlayer::~VerdictSoundPlayer() = default;

void VerdictSoundPlayer::setMuted(bool muted)
{
    if (muted == m_settings.muted)
        return;
    m_settings.muted = muted;
    if (muted)
        stopAll();
    m_settings.save();
    emit mutedChanged(muted);
}

void VerdictSoundPlayer::setVolume(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == m_settings.volume)
        return;
    m_settings.volume = percent;
    for (QSoundEffect *effect : m_effects) {
        if (effect)
            effect->setVolume(float(percent) / 100.0f);
    }
    m_settings.save();
    emit volumeChanged(percent);
}

void VerdictSoundPlayer::play(VerdictTones::Outcome outcome) noexcept
{
    try {
        if (m_silenced || m_settings.muted || outcome < 0 || outcome >= VerdictTones::OutcomeCount)
            return;
        if (QMediaDevices::defaultAudioOutput().isNull()) {
            reportOnce(QStringLiteral("No audio output: the verdict sounds are not heard"));
            return;
        }
        // The last verdict's sound gives way to the new one.
        stopAll();
        m_started[size_t(outcome)].start();
        m_effects[size_t(outcome)]->play();
    } catch (...) {
        reportOnce(QStringLiteral("The verdict sound failed"));
    }
}

void VerdictSoundPlayer::stopAll()
{
    m_stopping = true;
    for (QSoundEffect *effect : m_effects) {
        if (effect && effect->isPlaying())
            effect->stop();
    }
    m_stopping = false;
}

void VerdictSoundPlayer::watchEnd(VerdictTones::Outcome outcome)
{
    QSoundEffect *effect = m_effects[size_t(outcome)];
    const QElapsedTimer &started = m_started[size_t(outcome)];
    if (effect->isPlaying() || !started.isValid())
        return;
    if (!m_stopping && started.elapsed() < VerdictTones::milliseconds(outcome) / 2)
        reportOnce(QStringLiteral("The audio server does not take the verdict sound: ")
                   + QLatin1String(VerdictTones::name(outcome)));
    // A played effect's stream keeps the server's buffering from its last run, which grows
    // with every start until the sound is late and then not heard at all: the next verdict of
    // this kind gets a fresh effect (its sample comes from Qt's cache), made now so it is ready.
    effect->disconnect(this);
    effect->deleteLater();
    m_started[size_t(outcome)].invalidate();
    prepare(outcome);
}

void VerdictSoundPlayer::playVerdict(const QString &journalVerdict) noexcept
{
    if (const auto outcome = outcomeForVerdict(journalVerdict))
        play(*outcome);
}

void VerdictSoundPlayer::reportOnce(const QString &what) noexcept
{
    if (m_reported)
        return;
    m_reported = true;
    ErrorReporting::report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"),
                            QStringLiteral("VerdictSoundPlayer"), QStringLiteral("play"), what});
}
