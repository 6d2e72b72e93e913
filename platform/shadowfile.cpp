#include "platform/shadowfile.h"

#include "platform/moddirectorios.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ShadowFile {

namespace {

bool flushToDisk(QFile &file)
{
    if (!file.flush())
        return false;
#ifdef _WIN32
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool replaceFile(const QString &from, const QString &to)
{
#ifdef _WIN32
    return MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()), reinterpret_cast<const wchar_t *>(to.utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    // Make the rename itself durable; the data is already on disk, so a failure here loses nothing.
    const int dir = ::open(QFile::encodeName(QFileInfo(to).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
#endif
}

} // namespace

QString folder()
{
    return modDirectorios::ObterPastaEspecial(modDirectorios::CSIDL_COMMON_APPDATA) + QStringLiteral("/Tarnis Software");
}

QString path()
{
    return folder() + QStringLiteral("/RegShadow.db");
}

QString entryPrefix(const QString &keyPath, const QString &valueName)
{
    return keyPath + QLatin1Char(':') + valueName + QLatin1Char('=');
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = content.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = content.at(i);
        if (c != '\r' && c != '\n')
            continue;
        lines.append(content.mid(start, i - start));
        if (c == '\r' && i + 1 < size && content.at(i + 1) == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(content.mid(start));
    return lines;
}

QString findEntry(const QByteArray &content, const QString &prefix)
{
    const QList<QByteArray> lines = splitLines(content);
    if (lines.isEmpty() || lines.first().isEmpty())
        return QString();
    for (const QByteArray &raw : lines) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            return line.mid(prefix.size());
    }
    return QString();
}

QByteArray withEntry(const QByteArray &content, const QString &prefix, const QString &entryLine, bool *unchanged)
{
    const QByteArray entry = entryLine.toUtf8();
    QByteArray out;
    bool replaced = false;
    *unchanged = false;
    for (const QByteArray &raw : splitLines(content)) {
        if (QString::fromUtf8(raw).startsWith(prefix, Qt::CaseInsensitive)) {
            if (replaced)
                continue;
            replaced = true;
            *unchanged = raw == entry;
            out += entry + "\r\n";
        } else {
            out += raw + "\r\n"; // unrelated lines are carried along as they were
        }
    }
    if (!replaced)
        out += entry + "\r\n";
    return out;
}

QString read(const QString &filePath, const QString &keyPath, const QString &valueName)
{
    try {
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return findEntry(file.readAll(), entryPrefix(keyPath, valueName));
    } catch (...) {
        return QString();
    }
}

bool write(const QString &filePath, const QString &keyPath, const QString &valueName, const QString &value)
{
    const QString tmpPath = QFileInfo(filePath).path() + QStringLiteral("/RegShadow.tmp");
    bool tmpCreated = false;
    try {
        QByteArray content;
        {
            QFile file(filePath);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            content = file.readAll();
            if (file.error() != QFileDevice::NoError)
                return false;
        }
        const QString prefix = entryPrefix(keyPath, valueName);
        bool unchanged = false;
        const QByteArray rewritten = withEntry(content, prefix, prefix + value, &unchanged);
        if (unchanged)
            return true;

        {
            QFile tmp(tmpPath);
            if (!tmp.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return false;
            tmpCreated = true;
            tmp.setPermissions(QFileInfo(filePath).permissions());
            if (tmp.write(rewritten) != rewritten.size() || !flushToDisk(tmp)) {
                tmp.close();
                QFile::remove(tmpPath);
                return false;
            }
        }
        if (!replaceFile(tmpPath, filePath)) {
            QFile::remove(tmpPath);
            return false;
        }
        return true;
    } catch (...) {
        if (tmpCreated)
            QFile::remove(tmpPath);
        return false;
    }
}

} // namespace ShadowFile
