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

// The ADO error numbers and texts the connection layer raises.
namespace AdoError {
constexpr int32_t ItemNotFound = 3265;           // no such field or item
constexpr int32_t NoCurrentRecord = 3021;        // BOF or EOF
constexpr int32_t ObjectClosed = 3704;           // operation on a closed object
constexpr int32_t ObjectOpen = 3705;             // operation on an open object
constexpr int32_t ProviderNotFound = 3706;       // unknown Provider
constexpr int32_t ConnectionClosed = 3709;       // operation on a closed or invalid connection
constexpr int32_t OpenFailed = -2147467259;      // the provider could not open the connection
constexpr int32_t CommandRejected = -2147217900; // the server rejected the command text

QString text(int32_t number);
} // namespace AdoError
