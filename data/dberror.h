#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// One error reported by a provider, as kept in a connection's Errors collection: the
// ADO-style number, the description (the server's own message where there is one), the
// SQLSTATE and the server's native error code when the provider knows them.
class DbError
{
public:
    DbError(int32_t number, QString description, QString sqlState = QString(), int32_t nativeError = 0);

    int32_t Number() const { return m_number; }
    const QString &Description() const { return m_description; }
    const QString &SQLState() const { return m_sqlState; }
    int32_t NativeError() const { return m_nativeError; }

private:
    int32_t m_number;
    QString m_description;
    QString m_sqlState;
    int32_t m_nativeError;
};

// The Errors collection of a connection: failures of Open and Execute are appended here
// (and raised). It belongs to the connection; Clear() empties it.
class DbErrors
{
public:
    int Count() const { return int(m_items.size()); }
    // Item by position (0-based); an index out of range raises RuntimeError 3265.
    const DbError &Item(int index) const;
    void Clear() { m_items.clear(); }
    void append(const DbError &error) { m_items.append(error); }

private:
    QList<DbError> m_items;
};
