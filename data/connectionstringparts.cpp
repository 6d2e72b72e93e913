#include "data/connectionstringparts.h"

ConnectionStringParts ConnectionStringParts::parse(const QString &text)
{
    ConnectionStringParts parts;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        // Key: up to '=' or ';'.
        int keyStart = i;
        while (i < n && text[i] != QLatin1Char('=') && text[i] != QLatin1Char(';'))
            ++i;
        if (i >= n || text[i] == QLatin1Char(';')) {
            ++i; // a segment without '=' carries nothing
            continue;
        }
        const QString key = text.mid(keyStart, i - keyStart).trimmed();
        ++i; // '='
        while (i < n && text[i].isSpace() && text[i] != QLatin1Char(';'))
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
            const QChar quote = text[i++];
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            // Anything between the closing quote and the next ';' is not part of the value.
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
        } else {
            int valueStart = i;
            while (i < n && text[i] != QLatin1Char(';'))
                ++i;
            value = text.mid(valueStart, i - valueStart).trimmed();
        }
        ++i; // ';'
        if (!key.isEmpty())
            parts.set(key, value);
    }
    return parts;
}

QString ConnectionStringParts::quoted(const QString &value)
{
    const bool hasDouble = value.contains(QLatin1Char('"'));
    const bool hasSingle = value.contains(QLatin1Char('\''));
    // The parser trims what isSpace() calls a blank from an unquoted value.
    const bool blankEnd = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    if (!hasDouble && !hasSingle && !blankEnd && !value.contains(QLatin1Char(';')))
        return value;
    if (hasDouble && !hasSingle)
        return QLatin1Char('\'') + value + QLatin1Char('\'');
    QString doubled = value;
    doubled.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

void ConnectionStringParts::set(const QString &key, const QString &value)
{
    for (auto &pair : m_pairs) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0) {
            pair.second = value;
            return;
        }
    }
    m_pairs.append(qMakePair(key, value));
}

bool ConnectionStringParts::contains(const QString &key) const
{
    const QString k = key.trimmed();
    for (const auto &pair : m_pairs)
        if (pair.first.compare(k, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString ConnectionStringParts::value(const QString &key, const QString &defaultValue) const
{
    const QString k = key.trimmed();
    for (const auto &pair : m_pairs)
        if (pair.first.compare(k, Qt::CaseInsensitive) == 0)
            return pair.second;
    return defaultValue;
}
