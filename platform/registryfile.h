#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// The registry of a machine without one: a read-only text file in the format regedit
// exports ("Windows Registry Editor Version 5.00", [key] sections, "name"="value",
// @= for the default value, dword: and hex:/hex(n): values with backslash continuations),
// UTF-8 or UTF-16 with its byte-order mark. parse() is a plain function over the file's
// bytes: it never fails, it skips each line it cannot understand and lists it in problems().
// Key and value names compare without regard to case; keys keep the order of the file.
// Parsing takes time in proportion to the file (keys and values are found through hashes of
// their case-folded names), and so do the lookups in proportion to what they return.
class RegistryFile
{
public:
    // Registry value types, as Windows numbers them.
    enum Type : uint32_t { None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7, Qword = 11 };

    struct Value
    {
        QString name; // empty for the default value
        uint32_t type = None;
        // The bytes a query through the 8-bit interface gives: strings (also hex(1), hex(2)
        // and hex(7) data) in UTF-8 with their terminator, a dword as its 4 little-endian bytes,
        // other data as written.
        QByteArray data;
    };

    struct Key
    {
        QString path; // root name as in the root table, then "\" and the subkey path
        QList<Value> values;
    };

    struct Problem
    {
        int line = 0; // 1-based line of the file
        QString reason;
    };

    static RegistryFile parse(const QByteArray &bytes);
    // The file's bytes as text, as parse() decodes them (UTF-16 by its byte-order mark, else UTF-8).
    static QString decodedText(const QByteArray &bytes);

    // $QUORVET_REGISTRY_FILE, or /etc/quorvet/registry.reg when it is unset.
    static QString defaultPath();

    // The root name of the table spelled as given, letter case aside; empty when unknown.
    static QString canonicalRootName(const QString &name);

    // text with each character case-folded: two texts compare equal without regard to case
    // (as QString::compare with Qt::CaseInsensitive sees it) when their folded texts are equal.
    static QString caseFolded(QStringView text);

    // A key exists when the file has a section for it or for one of its descendants;
    // the seven roots always exist.
    bool keyExists(const QString &path) const;
    const Value *value(const QString &keyPath, const QString &name) const;
    // Names of the direct subkeys, in the order they first appear in the file.
    QStringList subkeys(const QString &keyPath) const;

    const QList<Key> &keys() const { return m_keys; }
    const QList<Problem> &problems() const { return m_problems; }

private:
    struct Reader; // what parse() keeps while it reads: keys and values removed on the way, the section

    QList<Key> m_keys;
    QList<Problem> m_problems;
    QHash<QString, qsizetype> m_keyIndex;          // case-folded path -> index in m_keys
    QList<QHash<QString, qsizetype>> m_valueIndex; // per key: case-folded value name -> index in values
    QHash<QString, QStringList> m_subkeys;         // case-folded path of every key with subkeys -> their names
};
