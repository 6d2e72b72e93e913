#pragma once

#include "testserver/tdsbytes.h"

#include <cstdint>
#include <string>
#include <vector>

// One SQLite value as read from a result row, kept until the whole result is known.
struct Cell
{
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    int64_t integer = 0;
    double real = 0;
    std::string bytes; // text as UTF-8, or the blob's bytes
};

// The SQL Server type a result column is sent as, chosen from the SQLite declared type
// and the values the column holds:
// - declared INT.../BIGINT: int (INTN 4), bigint (INTN 8) when declared BIGINT or a value
//   needs 64 bits; declared BIT/BOOL: bit (BITN);
// - declared REAL/FLOAT/DOUBLE/NUMERIC/DECIMAL/MONEY: float (FLTN 8);
// - declared DATE/TIME...: datetime (DATETIMN 8);
// - declared character types: nvarchar(N) for a declared (N) that every value fits,
//   nvarchar(4000) otherwise, nvarchar(max) when a value is longer;
// - BLOB: varbinary(8000) or varbinary(max);
// - no declared type (expressions): from the values, integers as int/bigint, numbers with
//   a fraction as float, text as nvarchar; a column of NULLs only as int.
// A value that does not fit the declared type (text in an integer column, a date that does
// not read as one) turns the column into nvarchar, so nothing is ever lost or invented.
enum class ColumnType { Int4, Int8, Bit, Float, DateTime, NVarChar, NVarCharMax, VarBinary, VarBinaryMax };

struct ResultColumn
{
    std::u16string name;
    ColumnType type = ColumnType::NVarChar;
    uint16_t length = 4000; // characters of an nvarchar column
};

ResultColumn chooseColumnType(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column);

// COLMETADATA for the columns.
void writeColumnMetadata(ByteWriter &out, const std::vector<ResultColumn> &columns);
// One ROW token; cells in column order, already fitting their column's type.
void writeRow(ByteWriter &out, const std::vector<ResultColumn> &columns, const std::vector<Cell> &row);

// The DATETIME wire form of "yyyy-mm-dd[ hh:mm[:ss[.fff]]]": days since 1900-01-01 and
// three-hundredths of a second since midnight (rounded as SQL Server rounds). False when
// the text is not such a date.
bool encodeDateTime(const std::string &text, int32_t *days, uint32_t *ticks);
