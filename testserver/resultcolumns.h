#pragma once

#include "testserver/tdsbytes.h"
#include "testserver/tdstokens.h"

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

// The SQL Server type a result column is sent as, taken from the column's SQLite declared
// type as SQL Server would describe a column declared so:
// - TINYINT, SMALLINT, INT (any other name holding INT), BIGINT: INTN of 1, 2, 4, 8 bytes;
//   BIT/BOOL: BITN; REAL/FLOAT/DOUBLE: FLTN 8;
// - DECIMAL(p,s)/NUMERIC(p,s) (18,0 when not given): DECIMALN; MONEY, SMALLMONEY: MONEYN 8, 4;
// - DATETIME (and any other name holding DATE), SMALLDATETIME, DATE, TIME(n), DATETIME2(n);
// - UNIQUEIDENTIFIER: GUID;
// - VARCHAR(n), CHAR(n): BIGVARCHR/BIGCHAR in code page 1252 with SQL_Latin1_General_CP1_CI_AS
//   (CHAR blank-padded to n); NVARCHAR(n), NCHAR(n) and SQLite's TEXT: UCS-2 (NCHAR padded);
//   (MAX), or a stored value longer than the declared length, as the (max) type;
// - BLOB/BINARY: varbinary(8000) or varbinary(max);
// - no declared type (an expression): from the values, integers as int (SQL Server's type of
//   COUNT(*)) or bigint, numbers with a fraction as float, text in GETDATE()'s form
//   "yyyy-mm-dd hh:mm:ss.fff" as datetime, other text as nvarchar; a column of NULLs as int.
// A stored value the declared type cannot hold (text that is no number in an INT column, a
// date that does not read as one, a number past DECIMAL's precision) makes describeColumns
// fail with the error SQL Server gives for that conversion; a character outside code page
// 1252 in a VARCHAR is sent as '?', as SQL Server stores it.
enum class ColumnType {
    TinyInt,
    SmallInt,
    Int4,
    Int8,
    Bit,
    Float,
    Decimal,
    Money,
    SmallMoney,
    DateTime,
    SmallDateTime,
    Date,
    Time,
    DateTime2,
    Guid,
    VarChar,
    Char,
    VarCharMax,
    NVarChar,
    NChar,
    NVarCharMax,
    VarBinary,
    VarBinaryMax
};

struct ResultColumn
{
    std::u16string name;
    ColumnType type = ColumnType::NVarChar;
    uint16_t length = 4000; // characters of a character column
    uint8_t precision = 18; // DECIMAL
    uint8_t scale = 0;      // DECIMAL; TIME and DATETIME2: digits of the second's fraction
};

// The column's type, or false with the server's message in *error for a value it cannot hold.
bool describeColumn(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column,
                    ResultColumn *result, TdsToken::ServerMessage *error);

// COLMETADATA for the columns.
void writeColumnMetadata(ByteWriter &out, const std::vector<ResultColumn> &columns);
// One ROW token; cells in column order, already fitting their column's type.
void writeRow(ByteWriter &out, const std::vector<ResultColumn> &columns, const std::vector<Cell> &row);

// The DATETIME wire form of "yyyy-mm-dd[ hh:mm[:ss[.fff]]]": days since 1900-01-01 and
// three-hundredths of a second since midnight (rounded as SQL Server rounds). False when
// the text is not such a date.
bool encodeDateTime(const std::string &text, int32_t *days, uint32_t *ticks);
