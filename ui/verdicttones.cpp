#include "ui/verdicttones.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace VerdictTones {

const std::vector<Note> &notes(Outcome outcome)
{
    static const std::vector<Note> table[OutcomeCount] = {
        {{880, 110}, {1320, 150}},         // accepted: rising
        {{660, 220}},                      // not found: one middle note
        {{220, 130}, {0, 60}, {220, 130}}, // refused: low double tone
        {{494, 120}, {247, 200}},          // error: falling an octave
        {{1175, 70}, {784, 80}},           // undone: short falling pair
    };
    return table[outcome];
}

const char *name(Outcome outcome)
{
    static const char *const names[OutcomeCount] = {"accepted", "not-found", "refused", "error", "undone"};
    return names[outcome];
}

QString resourcePath(Outcome outcome)
{
    return QStringLiteral(":/sounds/") + QLatin1String(name(outcome)) + QStringLiteral(".wav");
}

int milliseconds(Outcome outcome)
{
    int total = 0;
    for (const Note &n : notes(outcome))
        total += n.milliseconds;
    return total;
}

std::vector<int16_t> samples(Outcome outcome)
{
    constexpr double pi = 3.14159265358979323846;
    constexpr double fade = 0.005 * SampleRate;
    // The fundamental carries the pitch; the overtones are kept well below it.
    constexpr double overtones[] = {1.0, 0.25, 0.12};
    constexpr double amplitude = 0.5 * 32767 / (1.0 + 0.25 + 0.12);
    std::vector<int16_t> out;
    for (const Note &n : notes(outcome)) {
        const int count = n.milliseconds * SampleRate / 1000;
        for (int i = 0; i < count; ++i) {
            double value = 0;
            if (n.hertz > 0) {
                const double t = double(i) / SampleRate;
                for (size_t h = 0; h < std::size(overtones); ++h)
                    value += overtones[h] * std::sin(2 * pi * n.hertz * double(h + 1) * t);
                value *= std::min({1.0, i / fade, (count - 1 - i) / fade});
            }
            out.push_back(int16_t(std::lround(value * amplitude)));
        }
    }
    out.resize(out.size() + size_t(TrailingSilenceMilliseconds * SampleRate / 1000), 0);
    return out;
}

QByteArray wavFile(const std::vector<int16_t> &samples)
{
    const auto u32 = [](QByteArray &b, uint32_t v) {
        char le[4];
        qToLittleEndian(v, le);
        b.append(le, 4);
    };
    const auto u16 = [](QByteArray &b, uint16_t v) {
        char le[2];
        qToLittleEndian(v, le);
        b.append(le, 2);
    };
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    QByteArray wav;
    wav.append("RIFF");
    u32(wav, 36 + dataBytes);
    wav.append("WAVEfmt ");
    u32(wav, 16);
    u16(wav, 1); // PCM
    u16(wav, 1); // mono
    u32(wav, SampleRate);
    u32(wav, SampleRate * 2);
    u16(wav, 2);
    u16(wav, 16);
    wav.append("data");
    u32(wav, dataBytes);
    for (int16_t s : samples)
        u16(wav, uint16_t(s));
    return wav;
}

} // namespace VerdictTones
