#include "tests/support/tdsserverprocess.h"

#include "tests/support/testsupport.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <signal.h>

#include <atomic>

const QString TdsServerProcess::User = QStringLiteral("sa");
const QString TdsServerProcess::Password = QStringLiteral("Qv;p{w}d=1'\"é");

QString TdsServerProcess::program()
{
    return QStringLiteral(QUORVET_TDS_SERVER_EXE);
}

TdsServerProcess::~TdsServerProcess()
{
    stop();
}

bool TdsServerProcess::start(const QList<Catalog> &catalogs, const QStringList &extraArguments, quint16 port,
                             const QString &password)
{
    m_password = password;
    static std::atomic<int> counter{0};
    m_stderrPath = TestSupport::processTempDir() + QStringLiteral("/tds-server-%1.stderr").arg(++counter);
    QStringList arguments{QStringLiteral("--listen"),   QStringLiteral("127.0.0.1:%1").arg(port),
                          QStringLiteral("--user"),     User,
                          QStringLiteral("--password"), password};
    for (const Catalog &c : catalogs) {
        arguments << QStringLiteral("--catalog") << c.name + QLatin1Char('=') + c.file;
        for (const QString &file : c.attached)
            arguments << QStringLiteral("--attach") << c.name + QLatin1Char('=') + file;
    }
    arguments << extraArguments;
    m_process.setStandardErrorFile(m_stderrPath);
    m_process.start(program(), arguments);
    m_exitCode = -1;
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("quorvet-tds-server did not start: ") + m_process.errorString();
        return false;
    }
    static const QRegularExpression ready(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"));
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const QRegularExpressionMatch m = ready.match(line);
            if (m.hasMatch()) {
                m_port = quint16(m.captured(1).toUInt());
                return true;
            }
            continue;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    m_error = QStringLiteral("quorvet-tds-server did not report listening: ") + standardError();
    stop();
    return false;
}

void TdsServerProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    thaw();                // a frozen server would not hear SIGTERM
    m_process.terminate(); // SIGTERM
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    m_exitCode = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void TdsServerProcess::freeze()
{
    if (m_process.state() == QProcess::Running)
        ::kill(pid_t(m_process.processId()), SIGSTOP);
}

void TdsServerProcess::thaw()
{
    if (m_process.state() == QProcess::Running)
        ::kill(pid_t(m_process.processId()), SIGCONT);
}

QString TdsServerProcess::standardError() const
{
    QFile f(m_stderrPath);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

int TdsServerProcess::logins() const
{
    int n = 0;
    for (const QString &line : standardError().split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("login ")) && !line.startsWith(QLatin1String("login refused ")))
            ++n;
    return n;
}

int TdsServerProcess::refusedLogins() const
{
    int n = 0;
    for (const QString &line : standardError().split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("login refused ")))
            ++n;
    return n;
}

QString TdsServerProcess::connectionString(const QString &catalog, const QString &password) const
{
    QString pw = password.isNull() ? m_password : password;
    pw.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QStringLiteral("Provider=SQLOLEDB.1;Password=\"%1\";Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=%3;Data Source=127.0.0.1\\SQLEXPRESS,%4")
        .arg(pw, User, catalog)
        .arg(m_port);
}
