#include "platform/registryfile.h"

#include <QStringDecoder>

namespace {

const char *const RootNames[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

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

QString RegistryFile::defaultPath()
{
    const QString path = qEnvironmentVariable("QUORVET_REGISTRY_FILE");
    return path.isEmpty() ? QStringLiteral("/etc/quorvet/registry.reg") : path;
}

QString RegistryFile::canonicalRootName(const QString &name)
{
    for (const char *root : RootNames) {
        if (name.compare(QLatin1String(root), Qt::CaseInsensitive) == 0)
            return QLatin1String(root);
    }
    return QString();
}

RegistryFile RegistryFile::parse(const QByteArray &bytes)
{
    RegistryFile file;
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
            file.m_problems.append({lineNumber, QStringLiteral("the file does not begin with "
                                                               "\"Windows Registry Editor Version 5.00\"")});
        }
        // A value continues on the next line when it ends with a backslash (long hex data).
        if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@'))) {
            while (line.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
                line.chop(1);
                line += lines.at(++i).trimmed();
            }
        }
        file.parseLine(line, lineNumber);
    }
    file.m_current = -1;
    file.m_inBadSection = false;
    return file;
}

void RegistryFile::parseLine(const QString &line, int lineNumber)
{
    if (line.startsWith(QLatin1Char('[')))
        parseSection(line, lineNumber);
    else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@')))
        parseValue(line, lineNumber);
    else
        m_problems.append({lineNumber, QStringLiteral("not a key, a value or a comment: ") + shortened(line)});
}

void RegistryFile::parseSection(const QString &line, int lineNumber)
{
    m_current = -1;
    m_inBadSection = true;
    if (!line.endsWith(QLatin1Char(']')) || line.size() < 3) {
        m_problems.append({lineNumber, QStringLiteral("badly formed key line: ") + shortened(line)});
        return;
    }
    QString inner = line.mid(1, line.size() - 2);
    const bool removal = inner.startsWith(QLatin1Char('-'));
    if (removal)
        inner.remove(0, 1);
    QStringList parts = inner.split(QLatin1Char('\\'));
    const QString root = canonicalRootName(parts.first());
    if (root.isEmpty()) {
        m_problems.append({lineNumber, QStringLiteral("unknown root key: ") + shortened(line)});
        return;
    }
    for (const QString &part : parts) {
        if (part.isEmpty()) {
            m_problems.append({lineNumber, QStringLiteral("empty key name: ") + shortened(line)});
            return;
        }
    }
    parts.first() = root;
    const QString path = parts.join(QLatin1Char('\\'));
    if (removal) {
        removeKeyTree(path); // the values that follow a removed key belong to no key
        return;
    }
    m_inBadSection = false;
    for (int i = 0; i < m_keys.size(); ++i) {
        if (m_keys.at(i).path.compare(path, Qt::CaseInsensitive) == 0) {
            m_current = i;
            return;
        }
    }
    m_keys.append({path, {}});
    m_current = int(m_keys.size()) - 1;
}

void RegistryFile::parseValue(const QString &line, int lineNumber)
{
    if (m_current < 0) {
        if (!m_inBadSection)
            m_problems.append({lineNumber, QStringLiteral("value outside any key: ") + nameOnly(line)});
        return;
    }
    const auto bad = [&](const QString &why) { m_problems.append({lineNumber, why + QStringLiteral(": ") + nameOnly(line)}); };

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

    QList<Value> &values = m_keys[m_current].values;
    int existing = -1;
    for (int i = 0; i < values.size(); ++i) {
        if (values.at(i).name.compare(value.name, Qt::CaseInsensitive) == 0)
            existing = i;
    }

    if (data == QLatin1String("-")) {
        if (existing >= 0)
            values.removeAt(existing);
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

    if (existing >= 0)
        values[existing] = value;
    else
        values.append(value);
}

void RegistryFile::removeKeyTree(const QString &path)
{
    const QString below = path + QLatin1Char('\\');
    m_keys.removeIf([&](const Key &key) {
        return key.path.compare(path, Qt::CaseInsensitive) == 0 || key.path.startsWith(below, Qt::CaseInsensitive);
    });
}

const RegistryFile::Key *RegistryFile::findKey(const QString &path) const
{
    for (const Key &key : m_keys) {
        if (key.path.compare(path, Qt::CaseInsensitive) == 0)
            return &key;
    }
    return nullptr;
}

bool RegistryFile::keyExists(const QString &path) const
{
    if (!canonicalRootName(path).isEmpty())
        return true;
    const QString below = path + QLatin1Char('\\');
    for (const Key &key : m_keys) {
        if (key.path.compare(path, Qt::CaseInsensitive) == 0 || key.path.startsWith(below, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

const RegistryFile::Value *RegistryFile::value(const QString &keyPath, const QString &name) const
{
    const Key *key = findKey(keyPath);
    if (!key)
        return nullptr;
    for (const Value &value : key->values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    }
    return nullptr;
}

QStringList RegistryFile::subkeys(const QString &keyPath) const
{
    QStringList names;
    const QString below = keyPath + QLatin1Char('\\');
    for (const Key &key : m_keys) {
        if (!key.path.startsWith(below, Qt::CaseInsensitive))
            continue;
        const QString name = key.path.mid(below.size()).section(QLatin1Char('\\'), 0, 0);
        if (!names.contains(name, Qt::CaseInsensitive))
            names.append(name);
    }
    return names;
}
