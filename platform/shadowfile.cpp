#include "platform/shadowfile.h"

#include "platform/errorreport.h"
#include "platform/moddirectorios.h"
#include "platform/runtimeerror.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

#include <cstdio>
#include <cstring>

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

// Each over-long line is told once, not at every lookup; a file that has changed since is told of again.
void reportLongLineOnce(const QFile &file, qsizetype lineNumber)
{
    static QMutex mutex;
    static QSet<QString> told;
    const QFileInfo info(file.fileName());
    const QString where = QStringLiteral("%1, line %2").arg(file.fileName()).arg(lineNumber);
    const QString key = where + QStringLiteral("|%1|%2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    {
        QMutexLocker lock(&mutex);
        if (told.contains(key))
            return;
        told.insert(key);
    }
    ErrorReporting::moduleTail(QStringLiteral("Velkor Software Modules"), QStringLiteral("modRegistry"),
                               QStringLiteral("LerValorSombra"), ErrorNumber::InvalidProcedureCall,
                               QStringLiteral("%1: longer than %2 bytes (line skipped)").arg(where).arg(MaxLineLength));
}

} // namespace

QString folder()
{
    return modDirectorios::ObterPastaEspecial(modDirectorios::CSIDL_COMMON_APPDATA)
           + QStringLiteral("/Tarnis Software");
}

QString path()
{
    return folder() + QStringLiteral("/RegShadow.db");
}

QString entryPrefix(const QString &keyPath, const QString &valueName)
{
    return keyPath + QLatin1Char(':') + valueName + QLatin1Char('=');
}

LineReader::LineReader(QIODevice &device, qsizetype maxLength, qint64 chunkSize)
    : m_device(device), m_maxLength(maxLength), m_chunkSize(qMax<qint64>(1, chunkSize))
{
}

bool LineReader::fill()
{
    m_chunk = m_device.read(m_chunkSize);
    m_pos = 0;
    return !m_chunk.isEmpty();
}

bool LineReader::next(QByteArray *line, bool *tooLong)
{
    line->clear();
    *tooLong = false;
    bool started = false;
    for (;;) {
        if (m_pos >= m_chunk.size() && !fill())
            break;
        // The line feed of a CR LF pair may begin the next chunk.
        if (m_skipLineFeed) {
            m_skipLineFeed = false;
            if (m_chunk.at(m_pos) == '\n') {
                ++m_pos;
                continue;
            }
        }
        // The end of the line in this chunk, if it is there (memchr keeps a long line cheap to pass).
        const char *const from = m_chunk.constData() + m_pos;
        const char *const stop = m_chunk.constData() + m_chunk.size();
        const auto *cr = static_cast<const char *>(std::memchr(from, '\r', size_t(stop - from)));
        const auto *lf = static_cast<const char *>(std::memchr(from, '\n', size_t((cr ? cr : stop) - from)));
        const char *const hit = lf ? lf : cr;
        const qsizetype end = hit ? hit - m_chunk.constData() : m_chunk.size();
        started = started || end > m_pos;
        if (!*tooLong && line->size() + (end - m_pos) > m_maxLength) {
            *tooLong = true;
            line->clear();
        }
        if (!*tooLong)
            line->append(m_chunk.constData() + m_pos, end - m_pos);
        if (end < m_chunk.size()) {
            // A line ends at CR, CR LF, and also at a bare LF, as files written on Linux end them.
            m_skipLineFeed = m_chunk.at(end) == '\r';
            m_pos = end + 1;
            ++m_lineNumber;
            return true;
        }
        m_pos = end;
    }
    // A last line without its end counts when it holds something.
    if (started)
        ++m_lineNumber;
    return started;
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    // As in LineReader, a bare LF also ends a line, so a file edited on Linux reads the same.
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

QString findEntry(QIODevice &device, const QString &prefix, qsizetype *longLine)
{
    if (longLine)
        *longLine = 0;
    LineReader reader(device);
    QByteArray raw;
    bool tooLong = false;
    bool first = true;
    while (reader.next(&raw, &tooLong)) {
        if (tooLong) {
            if (longLine && *longLine == 0)
                *longLine = reader.lineNumber();
        } else if (first && raw.isEmpty()) {
            return QString(); // a file whose first line is empty is never consulted
        } else {
            const QString line = QString::fromUtf8(raw);
            if (line.startsWith(prefix, Qt::CaseInsensitive))
                return line.mid(prefix.size());
        }
        first = false;
    }
    return QString();
}

QString findEntry(const QByteArray &content, const QString &prefix)
{
    QByteArray copy = content;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return findEntry(buffer, prefix);
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
        qsizetype longLine = 0;
        const QString value = findEntry(file, entryPrefix(keyPath, valueName), &longLine);
        if (longLine > 0)
            reportLongLineOnce(file, longLine);
        return value;
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
