#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The desk's verdict sounds as notes: what tools/sounds writes into the WAV files compiled in
// under ":/sounds/", and what a recording of them is checked against. Plain data, no Qt
// Multimedia: the generator links this file alone.
namespace VerdictTones {

// One sound per outcome the operator has to tell apart without looking.
enum Outcome { Accepted, NotFound, Refused, Error, Undone, OutcomeCount };

// One note: a tone of `hertz` (0 for a rest) lasting `milliseconds`.
struct Note
{
    double hertz;
    int milliseconds;
};

constexpr int SampleRate = 44100;

// Accepted rises (two bright notes, the second higher); refused is a low double tone; not
// found is one middle note; an error falls an octave; an undo is a short falling pair.
const std::vector<Note> &notes(Outcome outcome);
// "accepted", "not-found", "refused", "error", "undone"
const char *name(Outcome outcome);
// ":/sounds/" + name + ".wav"
QString resourcePath(Outcome outcome);
// Length of the sound in milliseconds: the sum of its notes.
int milliseconds(Outcome outcome);

// Silence at the end of each file: an audio stream that is stopped when its data has been
// handed over loses what the server still buffers (about 110 ms with PulseAudio), so the
// last note is only whole when the file goes on past it.
constexpr int TrailingSilenceMilliseconds = 200;

// The sound as 16-bit mono samples at SampleRate: each note a sine with a few weaker
// overtones (audible on small speakers), shaped by 5 ms fades so nothing clicks, then the
// trailing silence.
std::vector<int16_t> samples(Outcome outcome);
// A RIFF/WAVE file of 16-bit little-endian PCM, mono, at SampleRate.
QByteArray wavFile(const std::vector<int16_t> &samples);

} // namespace VerdictTones
