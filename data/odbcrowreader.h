#pragma once

#include "data/providersession.h"
#include "data/value.h"

#include <vector>

// Reads the values of the current row of an ODBC statement handle (after SQLFetch) into
// Values, with the C types the desk's values need: integers as 64-bit numbers (Long when
// they fit), bit as Boolean, floating numbers as Double, DECIMAL, NUMERIC and MONEY as the
// driver's text of their digits into a Decimal (a double would lose digits past the
// fifteenth), dates and times as Date, binary as Latin-1 text, every other column as wide
// text read in pieces until its end. QODBC's own reads ask for narrow text in a buffer of
// the declared size, and FreeTDS gives up on text whose UTF-8 form is longer ("ã" takes
// two bytes) with SQL_NO_TOTAL, which QODBC reads as Null; so values are read here
// instead. Failures raise ProviderFailure.
class OdbcRowReader
{
public:
    // statement: the SQLHSTMT of a statement with a result; columns: its column count.
    OdbcRowReader(void *statement, int columns);

    std::vector<Value> read();

private:
    enum class Kind { Integer, Boolean, Real, Decimal, Timestamp, Date, Time, Binary, Text };

    Value column(int index);
    [[noreturn]] void fail(const char *what);

    void *m_statement;
    std::vector<Kind> m_kinds;
};
