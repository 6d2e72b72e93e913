#include "platform/errorreport.h"

#include "platform/runtimeerror.h"
#include "platform/textutil.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ErrorReporting {

QString logPath()
{
    const QString explicitPath = qEnvironmentVariable("QUORVET_ERROR_LOG");
    if (!explicitPath.isEmpty())
        return explicitPath;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorvet/error-reports.log");
}

void report(const Report &r) noexcept
{
    try {
        QJsonObject line;
        line.insert(QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
        line.insert(QStringLiteral("company"), r.company);
        line.insert(QStringLiteral("application"), r.application);
        line.insert(QStringLiteral("source"), r.source);
        line.insert(QStringLiteral("procedure"), r.procedure);
        line.insert(QStringLiteral("message"), r.message);
        QByteArray bytes = QJsonDocument(line).toJson(QJsonDocument::Compact);
        bytes.append('\n');

        const QString path = logPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        // One write() of the whole line with O_APPEND, so concurrent desks never interleave lines.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        bool written = false;
        if (fd >= 0) {
            written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
            ::close(fd);
        }
        if (!written)
            std::fprintf(stderr, "quorvet: could not write the error report to %s: %s",
                         QFile::encodeName(path).constData(), bytes.constData());
    } catch (...) {
        std::fputs("quorvet: an error report was lost\n", stderr);
    }
}

bool shouldReport(int32_t number, const QString &description)
{
    return number != 0 && number != ErrorNumber::ClosedConnection && !TextUtil::trimSpaces(description).isEmpty();
}

QString moduleMessage(int32_t number, const QString &description)
{
    return QStringLiteral("Error Number = ") + QString::number(number) + QStringLiteral(" | Description = ")
           + description;
}

void formTail(const QString &source, const QString &procedure, int32_t number, const QString &description) noexcept
{
    if (!shouldReport(number, description))
        return;
    report({QStringLiteral("Velkor Software"), QStringLiteral("Quorvet"), source, procedure, description});
}

void moduleTail(const QString &application, const QString &module, const QString &procedure, int32_t number,
                const QString &description) noexcept
{
    if (!shouldReport(number, description))
        return;
    report(
        {QStringLiteral("Tarnis Brenix Software"), application, module, procedure, moduleMessage(number, description)});
}

void formTail(const QString &source, const QString &procedure) noexcept
{
    const CurrentError e = currentError();
    formTail(source, procedure, e.number, e.description);
}

void moduleTail(const QString &application, const QString &module, const QString &procedure) noexcept
{
    const CurrentError e = currentError();
    moduleTail(application, module, procedure, e.number, e.description);
}

} // namespace ErrorReporting
