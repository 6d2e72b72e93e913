#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <vector>

// A PulseAudio server of the test's (or benchmark's) own: started from scratch with no
// default script, one null sink "quorvet_null" (mono, 16 bit, 44100 Hz) and the native
// protocol on a socket in `folder`, which also holds its runtime, state and home. It is
// never the user's session server; the destructor stops the server this object started
// and nothing else.
class PrivatePulseServer
{
public:
    explicit PrivatePulseServer(const QString &folder);
    ~PrivatePulseServer();
    PrivatePulseServer(const PrivatePulseServer &) = delete;
    PrivatePulseServer &operator=(const PrivatePulseServer &) = delete;

    // Starts the server and waits until it answers; false (and why) when it does not.
    bool start(QString *error);
    // Stops the server this object started (the audio server going away).
    void stop();
    // "unix:" + the socket, for PULSE_SERVER.
    QString address() const;

    static constexpr int SampleRate = 44100;

private:
    QString m_folder;
    pid_t m_pid = -1;
};

// Records the null sink's monitor (parec) on a thread of its own from construction to
// stop(): mono 16-bit samples at PrivatePulseServer::SampleRate, with the monotonic time at
// which each block arrived.
class MonitorRecording
{
public:
    explicit MonitorRecording(const PrivatePulseServer &server);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording &) = delete;
    MonitorRecording &operator=(const MonitorRecording &) = delete;

    // Waits until samples arrive; false when none did within a few seconds.
    bool waitUntilRecording();
    // Ends the recording and returns every sample.
    std::vector<int16_t> stop();

    // The monotonic time (ProcessClock nanoseconds) of sample `index`, from the earliest
    // arrival of the blocks: a block cannot arrive before its last sample was made, so the
    // smallest (arrival - its end / rate) is the recording's start, late by the monitor's
    // smallest delay at most.
    double sampleTimeNs(int64_t index) const;

private:
    void readLoop(int fd);

    pid_t m_pid = -1;
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<int16_t> m_samples;
    double m_startNs = 0;
    bool m_haveStart = false;
};

// Analysis of a recording.
namespace SoundAnalysis {

// First and last sample whose magnitude exceeds threshold; {-1, -1} for silence.
std::pair<int64_t, int64_t> audibleSpan(const std::vector<int16_t> &samples, int threshold);
// The frequency (1 Hz steps, 50 to 3000 Hz) with the most energy in samples[from, to).
double dominantHertz(const std::vector<int16_t> &samples, int64_t from, int64_t to, int rate);

} // namespace SoundAnalysis
