#include "data/recordset.h"

#include "data/providersession.h"
#include "platform/runtimeerror.h"

namespace {
[[noreturn]] void raise(int32_t number)
{
    throw RuntimeError(number, AdoError::text(number));
}
} // namespace

Recordset::Recordset() = default;

Recordset::~Recordset() = default;

void Recordset::Open(const QString &sql, const ConnectionRef &connection, int cursorType, int lockType, int options)
{
    Q_UNUSED(cursorType);
    Q_UNUSED(lockType);
    Q_UNUSED(options);
    if (m_cursor)
        raise(AdoError::ObjectOpen);
    if (!connection)
        raise(AdoError::ConnectionClosed);
    std::shared_ptr<ProviderSession> session = connection->session();
    std::unique_ptr<ProviderCursor> cursor;
    try {
        int64_t affected = -1;
        cursor = session->execute(sql, &affected);
        if (cursor)
            attach(std::move(cursor));
    } catch (const ProviderFailure &f) {
        connection->fail(f.number, f.description, f.sqlState, f.nativeError);
    }
    // A statement without rows leaves the recordset closed, as ADO does.
}

void Recordset::attach(std::unique_ptr<ProviderCursor> cursor)
{
    m_names = cursor->fieldNames();
    m_row.assign(size_t(m_names.size()), Value());
    m_cursor = std::move(cursor);
    m_eof = false;
    try {
        fetch();
    } catch (...) {
        Close();
        throw;
    }
}

void Recordset::fetch()
{
    if (!m_cursor->fetch(m_row)) {
        m_eof = true;
        m_row.assign(m_row.size(), Value());
    }
}

void Recordset::Close()
{
    if (!m_cursor)
        raise(AdoError::ObjectClosed);
    m_cursor.reset();
    m_names.clear();
    m_row.clear();
    m_eof = true;
}

bool Recordset::Eof() const
{
    if (!m_cursor)
        raise(AdoError::ObjectClosed);
    return m_eof;
}

void Recordset::MoveNext()
{
    if (!m_cursor)
        raise(AdoError::ObjectClosed);
    if (m_eof)
        raise(AdoError::NoCurrentRecord);
    try {
        fetch();
    } catch (const ProviderFailure &f) {
        throw RuntimeError(f.number, f.description);
    }
}

const QStringList &Recordset::fieldNames() const
{
    if (!m_cursor)
        raise(AdoError::ObjectClosed);
    return m_names;
}

const Value &Recordset::currentValue(int index) const
{
    if (!m_cursor)
        raise(AdoError::ObjectClosed);
    if (m_eof)
        raise(AdoError::NoCurrentRecord);
    if (index < 0 || size_t(index) >= m_row.size())
        raise(AdoError::ItemNotFound);
    return m_row[size_t(index)];
}
