#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The key=value pairs of an OLE DB connection string. Pairs are separated by ';'; keys are
// trimmed and compared case-insensitively; a value may be quoted with "..." or '...', a
// doubled quote inside standing for one. Unquoted values are trimmed. A segment without
// '=' is ignored; an unterminated quote takes the rest of the text. The last of repeated
// keys wins. Parsing never fails, so any text can be given (the parser is fuzzed).
class ConnectionStringParts
{
public:
    static ConnectionStringParts parse(const QString &connectionString);

    // value as it is written after "key=" so that parse() reads it back exactly: as it stands
    // when it holds no ';', no quote and no blank at either end (so such values are written as
    // they always were); otherwise in double quotes with each inner one doubled, or in single
    // quotes when it holds a double quote and no single one.
    static QString quoted(const QString &value);

    bool contains(const QString &key) const;
    // The value of key, or defaultValue when the key is absent.
    QString value(const QString &key, const QString &defaultValue = QString()) const;
    // The pairs in order of first appearance, keys as written.
    const QList<QPair<QString, QString>> &pairs() const { return m_pairs; }

private:
    void set(const QString &key, const QString &value);

    QList<QPair<QString, QString>> m_pairs;
};
