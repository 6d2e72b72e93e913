#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

// The shadow file RegShadow.db in "Tarnis Software" below the common application-data
// folder: UTF-8 text, one "key path:value name=value" entry per line, each line ended by
// CR LF. Its entries take precedence over the registry; the first line that begins with an
// entry's prefix (letter case aside) is the entry. The file and its folder are never
// created here: an administrator creates them to switch the shadow file on.
// The pure functions work on the file's bytes, so tests and fuzzers reach them without files;
// read() and write() never throw; read() reports a line it has to skip, once.
namespace ShadowFile {

// The longest line a lookup reads; a longer one is passed over as if it were not there (a
// value of the registry holds at most 3,500 bytes, so no real entry comes near it).
constexpr qsizetype MaxLineLength = 64 * 1024;

// The lines of a device, read one at a time as splitLines() cuts them, never holding more
// than maxLength bytes of one line: a longer line is passed over and next() says so.
class LineReader
{
public:
    // The device is read chunkSize bytes at a time.
    explicit LineReader(QIODevice &device, qsizetype maxLength = MaxLineLength, qint64 chunkSize = 64 * 1024);

    // The next line, without its end, in *line; false at the end of the device. *tooLong is
    // set (and *line left empty) for a line longer than maxLength.
    bool next(QByteArray *line, bool *tooLong);
    // 1-based number of the line next() gave last.
    qsizetype lineNumber() const { return m_lineNumber; }

private:
    bool fill();

    QIODevice &m_device;
    qsizetype m_maxLength;
    qint64 m_chunkSize;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
    bool m_skipLineFeed = false;
    qsizetype m_lineNumber = 0;
};

// The folder and the file's path.
QString folder();
QString path();

// key path + ":" + value name + "="
QString entryPrefix(const QString &keyPath, const QString &valueName);

// The lines of the file: a line ends at CR, CR LF or LF; a last line without its end counts.
QList<QByteArray> splitLines(const QByteArray &content);

// The value of the first line that begins with prefix, letter case aside; the empty text when
// no line does or when the first line is empty (such a file is never consulted). Lines are
// read one at a time and a line longer than MaxLineLength is passed over; *longLine, when
// given, gets the number of the first such line (0 when there was none).
QString findEntry(QIODevice &device, const QString &prefix, qsizetype *longLine = nullptr);
QString findEntry(const QByteArray &content, const QString &prefix);

// The content with entryLine in place of the first line that begins with prefix (later such
// lines dropped), or appended when there is none; every line ends with CR LF afterwards.
// *unchanged is set when the first such line already equals entryLine byte for byte, in which
// case the file need not be written at all.
QByteArray withEntry(const QByteArray &content, const QString &prefix, const QString &entryLine, bool *unchanged);

// The entry's value in the file at filePath, or the empty text. A line too long to read is
// reported once (file and line number) to the error log.
QString read(const QString &filePath, const QString &keyPath, const QString &valueName);

// Puts the entry into the file at filePath, which must exist. The new content goes to
// RegShadow.tmp beside it, is flushed to disk and renamed over the file in one step, so a
// crash or a full disk leaves the old file or the new one, never a truncated one.
// True when the file holds the entry afterwards.
bool write(const QString &filePath, const QString &keyPath, const QString &valueName, const QString &value);

} // namespace ShadowFile
