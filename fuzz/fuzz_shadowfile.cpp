// The shadow file's pure functions on any content: splitLines, findEntry and withEntry never
// crash, the line reader cuts the lines splitLines cuts (passing over exactly the ones longer
// than its bound, tried here with a small bound and small chunks), and an entry put in with withEntry is what
// findEntry reads back (unless the first line of the file is empty: such a file is never
// consulted).
// The input is split by FuzzedDataProvider into key path, value name, value and content;
// line breaks cannot be part of one entry, so they are removed from the three texts.
#include "fuzz/fuzzcheck.h"
#include "platform/shadowfile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QBuffer>

#include <cstdint>

namespace {

QString oneLineText(FuzzedDataProvider &provider)
{
    const std::string bytes = provider.ConsumeRandomLengthString(64);
    QString text = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const QString keyPath = oneLineText(provider);
    const QString valueName = oneLineText(provider);
    const QString value = oneLineText(provider);
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const QByteArray content(rest.data(), qsizetype(rest.size()));

    const QList<QByteArray> lines = ShadowFile::splitLines(content);
    for (const QByteArray &line : lines)
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n'), QString::fromUtf8(line));

    QByteArray copy = content;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    constexpr qsizetype Bound = 24;
    ShadowFile::LineReader reader(buffer, Bound, 3); // chunks of 3 bytes: line ends across chunks
    QByteArray line;
    bool tooLong = false;
    qsizetype count = 0;
    while (reader.next(&line, &tooLong)) {
        FUZZ_CHECK(count < lines.size(), QStringLiteral("extra line ") + QString::fromUtf8(line));
        const QByteArray &expected = lines.at(count++);
        FUZZ_CHECK(reader.lineNumber() == count, QString::number(count));
        FUZZ_CHECK(tooLong == (expected.size() > Bound), QString::fromUtf8(expected));
        FUZZ_CHECK(tooLong ? line.isEmpty() : line == expected, QString::fromUtf8(expected));
    }
    FUZZ_CHECK(count == lines.size(), QString::number(count));

    const QString prefix = ShadowFile::entryPrefix(keyPath, valueName);
    (void)ShadowFile::findEntry(content, prefix);

    bool unchanged = false;
    const QByteArray written = ShadowFile::withEntry(content, prefix, prefix + value, &unchanged);
    FUZZ_CHECK(written.endsWith("\r\n"), QString::fromUtf8(written));
    const QList<QByteArray> writtenLines = ShadowFile::splitLines(written);
    if (!writtenLines.first().isEmpty())
        FUZZ_CHECK(ShadowFile::findEntry(written, prefix) == value,
                   QStringLiteral("prefix ") + prefix + QStringLiteral("\nvalue ") + value + QStringLiteral("\nread ")
                       + ShadowFile::findEntry(written, prefix));
    if (unchanged)
        FUZZ_CHECK(ShadowFile::findEntry(content, prefix) == value || lines.first().isEmpty(), value);

    // Writing the same entry again changes nothing.
    bool again = false;
    const QByteArray rewritten = ShadowFile::withEntry(written, prefix, prefix + value, &again);
    FUZZ_CHECK(again && rewritten == written, prefix + value);
    return 0;
}
