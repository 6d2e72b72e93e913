#include "tests/support/privatepulse.h"

#include "platform/processclock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// Starts argv as a child process with env added to ours; stdout goes to outFd when >= 0.
pid_t spawn(const QStringList &argv, const QProcessEnvironment &env, int outFd)
{
    QList<QByteArray> args;
    for (const QString &a : argv)
        args << a.toLocal8Bit();
    std::vector<char *> cargs;
    for (QByteArray &a : args)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    QList<QByteArray> vars;
    for (const QString &v : env.toStringList())
        vars << v.toLocal8Bit();
    std::vector<char *> cenv;
    for (QByteArray &v : vars)
        cenv.push_back(v.data());
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawnp(&pid, cargs[0], &actions, nullptr, cargs.data(), cenv.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void endChild(pid_t &pid, int signal = SIGTERM)
{
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1;
            return;
        }
        QThread::msleep(10);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

} // namespace

// PulseAudio takes its home and socket only as absolute paths; a relative folder (as a benchmark's
// --work may be) is made absolute here.
PrivatePulseServer::PrivatePulseServer(const QString &folder) : m_folder(QDir(folder).absolutePath())
{
}

PrivatePulseServer::~PrivatePulseServer()
{
    stop();
}

QString PrivatePulseServer::address() const
{
    return QStringLiteral("unix:") + m_folder + QStringLiteral("/native");
}

bool PrivatePulseServer::start(QString *error)
{
    QDir().mkpath(m_folder);
    const QString script = m_folder + QStringLiteral("/server.pa");
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write ") + script;
        return false;
    }
    file.write(QStringLiteral("load-module module-null-sink sink_name=quorvet_null format=s16le rate=%1 channels=1\n"
                              "load-module module-native-protocol-unix auth-anonymous=1 socket=%2/native\n"
                              "set-default-sink quorvet_null\n")
                   .arg(SampleRate)
                   .arg(m_folder)
                   .toUtf8());
    file.close();

    // Everything the server keeps goes into the folder; as root it needs no --system.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        env.insert(QLatin1String(name), m_folder);
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_folder + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("PULSE_STATE_PATH"), m_folder + QStringLiteral("/state"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    const int log = ::open((m_folder + QStringLiteral("/server.log")).toLocal8Bit().constData(),
                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
    m_pid = spawn({QStringLiteral("pulseaudio"), QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                   QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disallow-exit"),
                   QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                   QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), script},
                  env, log);
    if (log >= 0)
        ::close(log);
    if (m_pid <= 0) {
        *error = QStringLiteral("pulseaudio cannot be started (scripts/install-deps installs it)");
        return false;
    }
    for (int i = 0; i < 100; ++i) {
        QProcess info;
        info.start(QStringLiteral("pactl"), {QStringLiteral("--server=") + address(), QStringLiteral("info")});
        if (info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0)
            return true;
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            break;
        }
        QThread::msleep(50);
    }
    QFile serverLog(m_folder + QStringLiteral("/server.log"));
    serverLog.open(QIODevice::ReadOnly);
    *error = QStringLiteral("the private pulseaudio does not answer: ") + QString::fromLocal8Bit(serverLog.readAll());
    stop();
    return false;
}

void PrivatePulseServer::stop()
{
    endChild(m_pid);
}

MonitorRecording::MonitorRecording(const PrivatePulseServer &server)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    m_pid = spawn({QStringLiteral("parec"), QStringLiteral("--server=") + server.address(),
                   QStringLiteral("--device=quorvet_null.monitor"), QStringLiteral("--format=s16le"),
                   QStringLiteral("--rate=%1").arg(PrivatePulseServer::SampleRate), QStringLiteral("--channels=1"),
                   QStringLiteral("--latency-msec=5"), QStringLiteral("--raw")},
                  QProcessEnvironment::systemEnvironment(), fds[1]);
    ::close(fds[1]);
    if (m_pid <= 0) {
        ::close(fds[0]);
        return;
    }
    m_reader = std::thread([this, fd = fds[0]] { readLoop(fd); });
}

MonitorRecording::~MonitorRecording()
{
    stop();
}

void MonitorRecording::readLoop(int fd)
{
    char buffer[4096];
    char odd = 0;
    bool haveOdd = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const double now = double(ProcessClock::monotonicNanoseconds());
        std::lock_guard<std::mutex> lock(m_mutex);
        ssize_t i = 0;
        if (haveOdd) {
            m_samples.push_back(int16_t(uint8_t(odd) | (uint8_t(buffer[0]) << 8)));
            i = 1;
            haveOdd = false;
        }
        for (; i + 1 < n; i += 2)
            m_samples.push_back(int16_t(uint8_t(buffer[i]) | (uint8_t(buffer[i + 1]) << 8)));
        if (i < n) {
            odd = buffer[i];
            haveOdd = true;
        }
        const double start = now - double(m_samples.size()) * 1e9 / PrivatePulseServer::SampleRate;
        if (!m_haveStart || start < m_startNs) {
            m_startNs = start;
            m_haveStart = true;
        }
    }
    ::close(fd);
}

bool MonitorRecording::waitUntilRecording()
{
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_samples.size() >= 441)
                return true;
        }
        QThread::msleep(10);
    }
    return false;
}

std::vector<int16_t> MonitorRecording::stop()
{
    // The recorder keeps nothing worth a clean exit (and takes its time over one).
    endChild(m_pid, SIGKILL);
    if (m_reader.joinable())
        m_reader.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples;
}

double MonitorRecording::sampleTimeNs(int64_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_startNs + double(index) * 1e9 / PrivatePulseServer::SampleRate;
}

namespace SoundAnalysis {

std::pair<int64_t, int64_t> audibleSpan(const std::vector<int16_t> &samples, int threshold)
{
    int64_t first = -1, last = -1;
    for (int64_t i = 0; i < int64_t(samples.size()); ++i) {
        if (std::abs(int(samples[size_t(i)])) > threshold) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return {first, last};
}

double dominantHertz(const std::vector<int16_t> &samples, int64_t from, int64_t to, int rate)
{
    // Goertzel's power at each candidate frequency.
    double best = 0, bestPower = -1;
    for (int hz = 50; hz <= 3000; ++hz) {
        const double coefficient = 2 * std::cos(2 * M_PI * hz / rate);
        double s1 = 0, s2 = 0;
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min<int64_t>(to, int64_t(samples.size())); ++i) {
            const double s = samples[size_t(i)] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

} // namespace SoundAnalysis
