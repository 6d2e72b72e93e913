#include "platform/registryfile.h"

#include "platform/registryapi.h"

#include <QSet>
#include <QStringDecoder>

#include <vector>

namespace {

QString decodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(bytes.mid(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(bytes.mid(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromUtf8(bytes);
}

bool isHex(QStringView text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
              || (c >= QLatin1Char('A') && c <= QLatin1Char('F'))))
            return false;
    }
    return true;
}

// Reads a quoted text starting at text[pos] == '"', with the escapes \\ and \".
// On success pos is just past the closing quote.
bool readQuoted(const QString &text, int &pos, QString &out)
{
    out.clear();
    for (int i = pos + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            pos = i + 1;
            return true;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= text.size())
                return false;
            const QChar next = text.at(++i);
            if (next != QLatin1Char('\\') && next != QLatin1Char('"'))
                return false;
            out.append(next);
        } else {
            out.append(c);
        }
    }
    return false;
}

// "aa,bb,..." (possibly empty) into bytes.
bool parseHexList(const QString &text, QByteArray &out)
{
    QString compact = text;
    compact.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    out.clear();
    if (compact.isEmpty())
        return true;
    const QStringList items = compact.split(QLatin1Char(','));
    for (const QString &item : items) {
        if (!isHex(item, 2))
            return false;
        out.append(char(item.toUInt(nullptr, 16)));
    }
    return true;
}

void skipBlanks(const QString &text, int &pos)
{
    while (pos < text.size() && (text.at(pos) == QLatin1Char(' ') || text.at(pos) == QLatin1Char('\t')))
        ++pos;
}

// The text with every character case-folded, as comparisons without regard to case see it.
QString folded(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            ++i;
        }
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f)) {
            out.append(QChar(QChar::highSurrogate(f)));
            out.append(QChar(QChar::lowSurrogate(f)));
        } else {
            out.append(QChar(char16_t(f)));
        }
    }
    return out;
}

QString shortened(const QString &line)
{
    return line.size() > 80 ? line.left(80) + QStringLiteral("...") : line;
}

// A value line as a report shows it: the name only, since the data may be a password.
QString nameOnly(const QString &line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? shortened(line) : shortened(line.left(equals + 1)) + QStringLiteral("...");
}

} // namespace

QString RegistryFile::decodedText(const QByteArray &bytes)
{
    return decodeText(bytes);
}

QString RegistryFile::defaultPath()
{
    const QString path = qEnvironmentVariable("QUORVET_REGISTRY_FILE");
    return path.isEmpty() ? QStringLiteral("/etc/quorvet/registry.reg") : path;
}

QString RegistryFile::caseFolded(QStringView text)
{
    return folded(text);
}

QString RegistryFile::canonicalRootName(const QString &name)
{
    for (const char *root : RegistryApi::RootNames) {
        if (name.compare(QLatin1String(root), Qt::CaseInsensitive) == 0)
            return QLatin1String(root);
    }
    return QString();
}

namespace {

// One key while the file is read: values removed by a later "name"=- line stay in place,
// marked, until the end, so removing one costs no more than adding one.
struct ReadKey
{
    QString path;
    QString folded;
    bool removed = false;
    QList<RegistryFile::Value> values;
    std::vector<bool> valueRemoved;
    QHash<QString, qsizetype> valueIndex; // folded name -> index of the live value
};

} // namespace

struct RegistryFile::Reader
{
    std::vector<ReadKey> keys;
    QHash<QString, qsizetype> live;         // folded path -> index of the live key
    QHash<QString, QList<qsizetype>> below; // folded path -> keys read below it (some since removed)
    qsizetype current = -1;                 // the section being read; -1 before the first
    bool inBadSection = false;              // the values of a rejected section are skipped quietly
    QList<Problem> problems;

    void parseLine(const QString &line, int lineNumber);
    void parseSection(const QString &line, int lineNumber);
    void parseValue(const QString &line, int lineNumber);
    void removeKeyTree(const QString &foldedPath);
};

RegistryFile RegistryFile::parse(const QByteArray &bytes)
{
    Reader reader;
    const QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    bool headerSeen = false;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNumber = i + 1;
        QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen) {
            headerSeen = true;
            if (line == QLatin1String("Windows Registry Editor Version 5.00") || line == QLatin1String("REGEDIT4"))
                continue;
            reader.problems.append({lineNumber, QStringLiteral("the file does not begin with "
                                                               "\"Windows Registry Editor Version 5.00\"")});
        }
        // A value continues on the next line when it ends with a backslash (long hex data).
        if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'))) {
            while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                line.chop(1);
                line += lines.at(++i).trimmed();
            }
        }
        reader.parseLine(line, lineNumber);
    }

    // The keys and values that are left, in the order they were first read, with their indexes.
    RegistryFile file;
    file.m_problems = std::move(reader.problems);
    QHash<QString, QSet<QString>> subkeySeen;
    for (ReadKey &read : reader.keys) {
        if (read.removed)
            continue;
        Key key{read.path, {}};
        QHash<QString, qsizetype> valueIndex;
        for (qsizetype v = 0; v < read.values.size(); ++v) {
            if (read.valueRemoved[size_t(v)])
                continue;
            valueIndex.insert(folded(read.values.at(v).name), key.values.size());
            key.values.append(read.values.at(v));
        }
        // Each key is a subkey of its parent and makes every ancestor exist.
        for (qsizetype slash = read.folded.indexOf(QLatin1Char('\\')); slash >= 0;
             slash = read.folded.indexOf(QLatin1Char('\\'), slash + 1)) {
            const qsizetype next = read.folded.indexOf(QLatin1Char('\\'), slash + 1);
            const qsizetype end = next < 0 ? read.folded.size() : next;
            const QString ancestor = read.folded.left(slash);
            const QString foldedName = read.folded.mid(slash + 1, end - slash - 1);
            QSet<QString> &seen = subkeySeen[ancestor];
            if (!seen.contains(foldedName)) {
                seen.insert(foldedName);
                file.m_subkeys[ancestor].append(read.path.mid(slash + 1, end - slash - 1));
            }
        }
        file.m_keyIndex.insert(read.folded, file.m_keys.size());
        file.m_keys.append(std::move(key));
        file.m_valueIndex.append(std::move(valueIndex));
    }
    return file;
}

void RegistryFile::Reader::parseLine(const QString &line, int lineNumber)
{
    if (line.startsWith(QLatin1Char('[')))
        parseSection(line, lineNumber);
    else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@')))
        parseValue(line, lineNumber);
    else
        problems.append({lineNumber, QStringLiteral("not a key, a value or a comment: ") + shortened(line)});
}

void RegistryFile::Reader::parseSection(const QString &line, int lineNumber)
{
    current = -1;
    inBadSection = true;
    if (!line.endsWith(QLatin1Char(']')) || line.size() < 3) {
        problems.append({lineNumber, QStringLiteral("badly formed key line: ") + shortened(line)});
        return;
    }
    QString inner = line.mid(1, line.size() - 2);
    const bool removal = inner.startsWith(QLatin1Char('-'));
    if (removal)
        inner.remove(0, 1);
    QStringList parts = inner.split(QLatin1Char('\\'));
    const QString root = canonicalRootName(parts.first());
    if (root.isEmpty()) {
        problems.append({lineNumber, QStringLiteral("unknown root key: ") + shortened(line)});
        return;
    }
    for (const QString &part : parts) {
        if (part.isEmpty()) {
            problems.append({lineNumber, QStringLiteral("empty key name: ") + shortened(line)});
            return;
        }
    }
    parts.first() = root;
    const QString path = parts.join(QLatin1Char('\\'));
    const QString foldedPath = folded(path);
    if (removal) {
        removeKeyTree(foldedPath); // the values that follow a removed key belong to no key
        return;
    }
    inBadSection = false;
    const auto found = live.constFind(foldedPath);
    if (found != live.constEnd()) {
        current = *found;
        return;
    }
    current = qsizetype(keys.size());
    keys.push_back(ReadKey{path, foldedPath, false, {}, {}, {}});
    live.insert(foldedPath, current);
    for (qsizetype slash = foldedPath.indexOf(QLatin1Char('\\')); slash >= 0;
         slash = foldedPath.indexOf(QLatin1Char('\\'), slash + 1))
        below[foldedPath.left(slash)].append(current);
}

void RegistryFile::Reader::removeKeyTree(const QString &foldedPath)
{
    const auto remove = [this](qsizetype index) {
        ReadKey &key = keys[size_t(index)];
        if (key.removed)
            return;
        key.removed = true;
        live.remove(key.folded);
    };
    const auto self = live.constFind(foldedPath);
    if (self != live.constEnd())
        remove(*self);
    // Each key is listed once below each of its ancestors and a list is dropped once used, so
    // removals cost no more in all than the keys they remove.
    const auto descendants = below.find(foldedPath);
    if (descendants != below.end()) {
        for (const qsizetype index : std::as_const(*descendants))
            remove(index);
        below.erase(descendants);
    }
}

void RegistryFile::Reader::parseValue(const QString &line, int lineNumber)
{
    if (current < 0) {
        if (!inBadSection)
            problems.append({lineNumber, QStringLiteral("value outside any key: ") + nameOnly(line)});
        return;
    }
    const auto bad = [&](const QString &why) {
        problems.append({lineNumber, why + QStringLiteral(": ") + nameOnly(line)});
    };

    Value value;
    int pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        pos = 1;
    } else if (!readQuoted(line, pos, value.name)) {
        return bad(QStringLiteral("badly quoted value name"));
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line.at(pos) != QLatin1Char('='))
        return bad(QStringLiteral("missing \"=\" after the value name"));
    ++pos;
    skipBlanks(line, pos);
    const QString data = line.mid(pos);

    ReadKey &key = keys[size_t(current)];
    const QString foldedName = folded(value.name);
    const auto found = key.valueIndex.constFind(foldedName);
    const qsizetype existing = found == key.valueIndex.constEnd() ? -1 : *found;

    if (data == QLatin1String("-")) {
        if (existing >= 0) {
            key.valueRemoved[size_t(existing)] = true;
            key.valueIndex.remove(foldedName);
        }
        return;
    }
    if (data.startsWith(QLatin1Char('"'))) {
        int end = 0;
        QString text;
        if (!readQuoted(data, end, text) || !data.mid(end).trimmed().isEmpty())
            return bad(QStringLiteral("badly quoted string value"));
        value.type = String;
        value.data = text.toUtf8();
        value.data.append('\0');
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = data.mid(6).trimmed();
        if (!isHex(digits, 8))
            return bad(QStringLiteral("a dword needs 1 to 8 hexadecimal digits"));
        const uint32_t number = digits.toUInt(nullptr, 16);
        value.type = Dword;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.append(char((number >> shift) & 0xFF));
    } else if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        QString rest = data.mid(3);
        value.type = Binary;
        if (rest.startsWith(QLatin1Char('('))) {
            const int close = int(rest.indexOf(QLatin1Char(')')));
            const QString typeDigits = close > 0 ? rest.mid(1, close - 1) : QString();
            if (!isHex(typeDigits, 8))
                return bad(QStringLiteral("badly formed hex(n) type"));
            value.type = typeDigits.toUInt(nullptr, 16);
            rest = rest.mid(close + 1);
        }
        if (!rest.startsWith(QLatin1Char(':')) || !parseHexList(rest.mid(1), value.data))
            return bad(QStringLiteral("badly formed hex data"));
        // Strings written as hex are UTF-16; the 8-bit interface hands them over converted.
        const bool text = value.type == String || value.type == ExpandString || value.type == MultiString;
        if (text && value.data.size() % 2 == 0) {
            QStringDecoder decoder(QStringDecoder::Utf16LE);
            const QString decoded = decoder.decode(value.data);
            value.data = decoded.toUtf8();
        }
    } else {
        return bad(QStringLiteral("unknown value data"));
    }

    if (existing >= 0) {
        key.values[existing] = value;
    } else {
        key.valueIndex.insert(foldedName, key.values.size());
        key.values.append(value);
        key.valueRemoved.push_back(false);
    }
}

bool RegistryFile::keyExists(const QString &path) const
{
    if (!canonicalRootName(path).isEmpty())
        return true;
    const QString f = folded(path);
    return m_keyIndex.contains(f) || m_subkeys.contains(f);
}

const RegistryFile::Value *RegistryFile::value(const QString &keyPath, const QString &name) const
{
    const auto key = m_keyIndex.constFind(folded(keyPath));
    if (key == m_keyIndex.constEnd())
        return nullptr;
    const QHash<QString, qsizetype> &values = m_valueIndex.at(*key);
    const auto found = values.constFind(folded(name));
    return found == values.constEnd() ? nullptr : &m_keys.at(*key).values.at(*found);
}

QStringList RegistryFile::subkeys(const QString &keyPath) const
{
    return m_subkeys.value(folded(keyPath));
}
