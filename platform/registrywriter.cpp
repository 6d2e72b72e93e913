#include "platform/registrywriter.h"

#include "platform/registryfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegistryWriter {

namespace {

const QLatin1String Header("Windows Registry Editor Version 5.00");

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

void appendSection(QStringList &out, const Section &section)
{
    out << QLatin1Char('[') + section.keyPath + QLatin1Char(']');
    for (const StringValue &value : section.values)
        out << quoted(value.name) + QLatin1Char('=') + quoted(value.value);
    out << QString();
}

} // namespace

QString quoted(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QByteArray merged(const QByteArray &existing, const QList<Section> &sections)
{
    QStringList lines = RegistryFile::decodedText(existing).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
        lines.removeLast();

    QStringList out;
    const bool hasHeader = !lines.isEmpty()
                           && (lines.constFirst().trimmed() == Header
                               || lines.constFirst().trimmed() == QLatin1String("REGEDIT4"));
    if (!hasHeader)
        out << Header << QString();

    QList<bool> written(sections.size(), false);
    bool skipping = false; // inside a section that is being replaced
    for (const QString &line : std::as_const(lines)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            const QString inner = trimmed.mid(1, trimmed.size() - (trimmed.endsWith(QLatin1Char(']')) ? 2 : 1));
            const QString path = RegistryFile::caseFolded(inner);
            skipping = false;
            for (qsizetype i = 0; i < sections.size(); ++i) {
                if (RegistryFile::caseFolded(sections.at(i).keyPath) != path)
                    continue;
                skipping = true;
                if (!written.at(i)) {
                    appendSection(out, sections.at(i));
                    written[i] = true;
                }
            }
            if (skipping)
                continue;
        }
        if (!skipping)
            out << line;
    }
    for (qsizetype i = 0; i < sections.size(); ++i) {
        if (written.at(i))
            continue;
        if (!out.isEmpty() && !out.constLast().trimmed().isEmpty())
            out << QString();
        appendSection(out, sections.at(i));
    }
    while (!out.isEmpty() && out.constLast().isEmpty())
        out.removeLast();
    return (out.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
}

SaveResult checkAccess(const QString &path)
{
    const QString folder = folderOf(path);
    const QByteArray folderName = QFile::encodeName(folder);
    struct stat st;
    if (::stat(folderName.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        const int error = errno;
        return {SaveResult::Failed, QStringLiteral("A pasta %1 não existe ou não é uma pasta (%2).")
                                        .arg(folder, error ? systemMessage(error) : systemMessage(ENOTDIR))};
    }
    if (::access(folderName.constData(), W_OK | X_OK) != 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            return {SaveResult::NotPermitted,
                    QStringLiteral("Não tem permissão para escrever na pasta %1.").arg(folder)};
        return {SaveResult::Failed,
                QStringLiteral("Não é possível escrever na pasta %1 (%2).").arg(folder, systemMessage(error))};
    }
    struct stat file;
    if (::stat(QFile::encodeName(path).constData(), &file) == 0 && geteuid() != 0 && file.st_uid != geteuid())
        return {SaveResult::NotPermitted,
                QStringLiteral("O ficheiro %1 pertence a outro utilizador; só o administrador o pode substituir "
                               "mantendo o dono.")
                    .arg(path)};
    return {SaveResult::Saved, QString()};
}

SaveResult save(const QString &path, const QByteArray &bytes)
{
    const SaveResult access = checkAccess(path);
    if (access.outcome != SaveResult::Saved)
        return access;

    // What the new file keeps: the old one's owner, group and mode, or the defaults.
    uid_t owner = uid_t(-1);
    gid_t group = gid_t(-1);
    mode_t mode = NewFileMode;
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0) {
        owner = old.st_uid;
        group = old.st_gid;
        mode = old.st_mode & 07777;
    } else if (const struct group *desk = ::getgrnam(DeskGroup)) {
        group = desk->gr_gid;
    }

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return {SaveResult::Failed, QStringLiteral("Não foi possível criar o ficheiro temporário ao lado de %1 (%2).")
                                        .arg(path, file.errorString())};
    // Owner, group and mode are set before a byte is written, so the text is never readable by
    // more users than the old file's.
    const int fd = file.handle();
    if (::fchmod(fd, mode & 07777 & ~mode_t(S_ISUID | S_ISGID)) != 0
        || ((owner != uid_t(-1) || group != gid_t(-1))
            && ::fchown(fd, geteuid() == 0 ? owner : uid_t(-1), group) != 0)) {
        const int error = errno;
        file.cancelWriting();
        if (error == EPERM)
            return {SaveResult::NotPermitted,
                    QStringLiteral("Não é possível manter o grupo do ficheiro %1 sem ser administrador.").arg(path)};
        return {SaveResult::Failed,
                QStringLiteral("Não foi possível dar ao ficheiro %1 as permissões do anterior (%2).")
                    .arg(path, systemMessage(error))};
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        return {SaveResult::Failed, QStringLiteral("Não foi possível gravar %1 (%2).").arg(path, file.errorString())};
    return {SaveResult::Saved, QString()};
}

} // namespace RegistryWriter
