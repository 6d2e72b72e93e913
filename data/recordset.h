#pragma once

#include "data/connection.h"
#include "data/fields.h"
#include "data/value.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class ProviderCursor;

// A forward-only, read-only ADO-like recordset. Open runs a query on a connection and
// positions on the first row; MoveNext walks on until Eof(). The recordset owns the
// provider cursor (which keeps the provider session alive where it reads on demand, as the
// embedded store does) until Close() or destruction, whatever happens to the connection.
// Failures raise RuntimeError: 3709 when the connection is closed or missing, the server's
// message with -2147217900 when the query is rejected (also appended to the connection's
// Errors), 3704 for reading a closed recordset, 3705 for opening an open one, 3021 for
// reading or moving past the end.
class Recordset
{
public:
    enum State { StateClosed = 0, StateOpen = 1 };

    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Cursor type, lock type and options are accepted for the callers' sake; the
    // recordset is always forward-only and read-only.
    void Open(const QString &sql, const ConnectionRef &connection, int cursorType = -1, int lockType = -1,
              int options = -1);
    void Close();
    int State() const { return m_cursor ? StateOpen : StateClosed; }
    bool Eof() const;
    void MoveNext();

    ::Fields Fields() const { return ::Fields(this); }
    // Shorthands for Fields().Item(...).
    Field Fields(int index) const { return Fields().Item(index); }
    Field Fields(const QString &name) const { return Fields().Item(name); }
    Field Fields(const char *name) const { return Fields().Item(QString::fromUtf8(name)); }

    // Used by Field/Fields and by Connection::Execute.
    const QStringList &fieldNames() const;
    const Value &currentValue(int index) const;
    void attach(std::unique_ptr<ProviderCursor> cursor);

private:
    void fetch();

    std::unique_ptr<ProviderCursor> m_cursor;
    QStringList m_names;
    std::vector<Value> m_row;
    bool m_eof = true;
};
