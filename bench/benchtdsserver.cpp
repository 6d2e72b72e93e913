#include "bench/benchtdsserver.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <stdexcept>

namespace {

const QString Password = QStringLiteral("Bench-Pw-1");

} // namespace

BenchTdsServer::~BenchTdsServer()
{
    stop();
}

void BenchTdsServer::start(const QString &program, const QString &workFolder)
{
    const QString checkinDb = QDir(workFolder).filePath(QStringLiteral("checkin.db"));
    const QString kordaDb = QDir(workFolder).filePath(QStringLiteral("korda.db"));
    m_log = QDir(workFolder).filePath(QStringLiteral("tds-server.log"));
    m_process = std::make_unique<QProcess>();
    m_process->setStandardErrorFile(m_log);
    m_process->start(program, {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--user"),
                               QStringLiteral("sa"), QStringLiteral("--password"), Password,
                               QStringLiteral("--catalog"), QStringLiteral("Pelvrin=") + checkinDb,
                               QStringLiteral("--catalog"), QStringLiteral("ZELMAR=") + checkinDb,
                               QStringLiteral("--catalog"), QStringLiteral("KORDA=") + kordaDb,
                               QStringLiteral("--attach"), QStringLiteral("KORDA=") + checkinDb});
    if (!m_process->waitForStarted(10000) || !m_process->waitForReadyRead(15000))
        throw std::runtime_error("quorvet-tds-server did not start");
    const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
    m_port = quint16(line.section(QLatin1Char(':'), -1).toUInt());
    if (!line.startsWith(QLatin1String("listening on ")) || m_port == 0)
        throw std::runtime_error("quorvet-tds-server did not report its port");
}

void BenchTdsServer::stop()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    thaw(); // a frozen server would not hear SIGTERM
    m_process->terminate();
    if (!m_process->waitForFinished(10000)) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

int BenchTdsServer::logins() const
{
    QFile log(m_log);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    int logins = 0;
    for (const QByteArray &line : log.readAll().split('\n'))
        logins += line.startsWith("login ") && !line.startsWith("login refused ") ? 1 : 0;
    return logins;
}

void BenchTdsServer::freeze()
{
    if (m_process && m_process->state() == QProcess::Running)
        ::kill(pid_t(m_process->processId()), SIGSTOP);
}

void BenchTdsServer::thaw()
{
    if (m_process && m_process->state() == QProcess::Running)
        ::kill(pid_t(m_process->processId()), SIGCONT);
}

void BenchTdsServer::useForDesk(const QString &keys) const
{
    const auto string = [&](const char *catalog) {
        return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=sa;"
                              "Initial Catalog=%2;Data Source=127.0.0.1\\SQLEXPRESS,%3%4")
            .arg(Password, QLatin1String(catalog))
            .arg(m_port)
            .arg(keys)
            .toUtf8();
    };
    qputenv("QUORVET_CONNECTION_SQLSERVER", string("Pelvrin"));
    qputenv("QUORVET_CONNECTION_ZELMAR", string("ZELMAR"));
    qputenv("QUORVET_CONNECTION_KORDA", string("KORDA"));
}
