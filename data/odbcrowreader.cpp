#include "data/odbcrowreader.h"

#include "data/dberror.h"
#include "data/decimalnumber.h"

#include <sql.h>
#include <sqlext.h>

#include <QByteArray>
#include <QString>

#include <algorithm>

namespace {

SQLHSTMT handle(void *statement)
{
    return static_cast<SQLHSTMT>(statement);
}

// SQL Server's own ODBC type codes for TIME and DATETIMEOFFSET (sqlncli.h), which its drivers
// and FreeTDS answer instead of SQL_TYPE_TIME and SQL_TYPE_TIMESTAMP.
constexpr SQLSMALLINT SqlServerTime2 = -154;
constexpr SQLSMALLINT SqlServerTimestampOffset = -155;

} // namespace

OdbcRowReader::OdbcRowReader(void *statement, int columns) : m_statement(statement)
{
    for (int i = 1; i <= columns; ++i) {
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0, nullable = 0, nameLength = 0;
        SQLWCHAR name[2];
        const SQLRETURN r = SQLDescribeColW(handle(statement), SQLUSMALLINT(i), name, 2, &nameLength, &type, &size,
                                            &digits, &nullable);
        if (!SQL_SUCCEEDED(r))
            fail("SQLDescribeCol");
        switch (type) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: m_kinds.push_back(Kind::Integer); break;
        case SQL_BIT: m_kinds.push_back(Kind::Boolean); break;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: m_kinds.push_back(Kind::Real); break;
        // DECIMAL and NUMERIC; FreeTDS answers MONEY and SMALLMONEY so too, with four places.
        case SQL_NUMERIC:
        case SQL_DECIMAL: m_kinds.push_back(Kind::Decimal); break;
        // Drivers answer with the ODBC 3 codes or, in ODBC 2 mode, the older ones.
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: m_kinds.push_back(Kind::Timestamp); break;
        case SQL_TYPE_DATE:
        case SQL_DATE: m_kinds.push_back(Kind::Date); break;
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case SqlServerTime2: m_kinds.push_back(Kind::Time); break;
        // DATETIMEOFFSET: the date and time as written, its offset left out as a Date has none.
        case SqlServerTimestampOffset: m_kinds.push_back(Kind::Timestamp); break;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: m_kinds.push_back(Kind::Binary); break;
        default: m_kinds.push_back(Kind::Text); break;
        }
    }
}

void OdbcRowReader::fail(const char *what)
{
    SQLWCHAR state[6] = {};
    SQLWCHAR text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    QString message = QString::fromLatin1(what) + QStringLiteral(" failed");
    if (SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, handle(m_statement), 1, state, &native, text, 1024, &length)))
        message = QString::fromUtf16(reinterpret_cast<const char16_t *>(text), qMin<int>(length, 1023));
    throw ProviderFailure{AdoError::CommandRejected, message,
                          QString::fromUtf16(reinterpret_cast<const char16_t *>(state), 5), native};
}

std::vector<Value> OdbcRowReader::read()
{
    std::vector<Value> row;
    row.reserve(m_kinds.size());
    for (int i = 0; i < int(m_kinds.size()); ++i)
        row.push_back(column(i));
    return row;
}

Value OdbcRowReader::column(int index)
{
    SQLHSTMT stmt = handle(m_statement);
    const SQLUSMALLINT number = SQLUSMALLINT(index + 1);
    SQLLEN indicator = 0;
    SQLRETURN r = SQL_ERROR;
    switch (m_kinds[size_t(index)]) {
    case Kind::Integer: {
        SQLBIGINT v = 0;
        r = SQLGetData(stmt, number, SQL_C_SBIGINT, &v, sizeof v, &indicator);
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        return indicator == SQL_NULL_DATA ? Value::null() : Value::fromInt64(v);
    }
    case Kind::Boolean: {
        unsigned char v = 0;
        r = SQLGetData(stmt, number, SQL_C_BIT, &v, sizeof v, &indicator);
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        return indicator == SQL_NULL_DATA ? Value::null() : Value(v != 0);
    }
    case Kind::Real: {
        double v = 0;
        r = SQLGetData(stmt, number, SQL_C_DOUBLE, &v, sizeof v, &indicator);
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        return indicator == SQL_NULL_DATA ? Value::null() : Value(v);
    }
    case Kind::Decimal: {
        // As the driver writes it ("-123456789012345.6789"): 38 digits, a sign and a point at most.
        char text[64] = {};
        r = SQLGetData(stmt, number, SQL_C_CHAR, text, sizeof text, &indicator);
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return Value::null();
        const QString written = QString::fromLatin1(text);
        DecimalNumber n;
        if (!DecimalNumber::parse(written, QStringLiteral("."), QString(), &n))
            return Value(written); // no number after all: shown as the driver gave it
        return Value::decimal(n);
    }
    case Kind::Timestamp:
    case Kind::Date:
    case Kind::Time: {
        SQL_TIMESTAMP_STRUCT t{};
        r = SQLGetData(stmt, number, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &indicator);
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return Value::null();
        // The fraction (nanoseconds) to the millisecond a Date holds, rounded; 23:59:59.9996 stays
        // in its day, as a Date cannot carry it over into the next.
        const int ms = std::min(999, int((t.fraction + 500000) / 1000000));
        const QTime time(t.hour, t.minute, t.second, ms);
        if (m_kinds[size_t(index)] == Kind::Time)
            return Value::date(QDate(1899, 12, 30), time);
        return Value::date(QDate(t.year, t.month, t.day), time);
    }
    case Kind::Binary: {
        QByteArray bytes;
        char buffer[8192];
        for (;;) {
            r = SQLGetData(stmt, number, SQL_C_BINARY, buffer, sizeof buffer, &indicator);
            if (r == SQL_NO_DATA)
                break;
            if (!SQL_SUCCEEDED(r))
                fail("SQLGetData");
            if (indicator == SQL_NULL_DATA)
                return Value::null();
            const bool more = indicator == SQL_NO_TOTAL || indicator > SQLLEN(sizeof buffer);
            bytes.append(buffer, more ? qsizetype(sizeof buffer) : qsizetype(indicator));
            if (!more)
                break;
        }
        return Value(QString::fromLatin1(bytes));
    }
    case Kind::Text: break;
    }
    // Wide text in pieces: each piece but the last fills the buffer up to its terminating zero.
    QString text;
    SQLWCHAR buffer[4096];
    constexpr SQLLEN room = SQLLEN(sizeof buffer) - SQLLEN(sizeof(SQLWCHAR));
    for (;;) {
        r = SQLGetData(stmt, number, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            fail("SQLGetData");
        if (indicator == SQL_NULL_DATA)
            return Value::null();
        const bool more = indicator == SQL_NO_TOTAL || indicator > room;
        const SQLLEN bytes = more ? room : indicator;
        text.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), qsizetype(bytes / 2)));
        if (!more)
            break;
    }
    return Value(text);
}
