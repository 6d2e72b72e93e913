#include "testserver/resultcolumns.h"

#include "data/sqlitevalue.h"
#include "testserver/tdstokens.h"

#include <QString>

#include <algorithm>
#include <limits>

namespace {

enum TypeByte : uint8_t { IntN = 0x26, BitN = 0x68, FltN = 0x6D, DateTimN = 0x6F, BigVarBinary = 0xA5, NVarCharType = 0xE7 };
constexpr uint16_t NVarCharBytes = 8000; // nvarchar(4000)
constexpr uint16_t VarBinaryBytes = 8000;
constexpr uint16_t MaxLength = 0xFFFF;  // (max): values travel as partially length-prefixed chunks
constexpr uint64_t PlpNull = ~uint64_t(0);
constexpr uint32_t TicksPerDay = 300u * 86400u;

enum class Declared { None, Integer, BigInteger, Bit, Real, Date, Text, Blob };

Declared declaredKind(const std::string &declaredType)
{
    const QString d = QString::fromStdString(declaredType).trimmed().toUpper();
    if (d.isEmpty())
        return Declared::None;
    // The order follows SQLite's affinity rules: "INT" anywhere makes an integer column.
    if (d.contains(QLatin1String("BIGINT")))
        return Declared::BigInteger;
    if (d.contains(QLatin1String("INT")))
        return Declared::Integer;
    if (d == QLatin1String("BIT") || d.startsWith(QLatin1String("BOOL")))
        return Declared::Bit;
    // As the embedded store reads dates: DATE anywhere in the name, or TIME alone.
    if (d.contains(QLatin1String("DATE")) || d == QLatin1String("TIME"))
        return Declared::Date;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("CLOB")) || d.contains(QLatin1String("TEXT")))
        return Declared::Text;
    if (d.contains(QLatin1String("BLOB")) || d.contains(QLatin1String("BINARY")))
        return Declared::Blob;
    for (const char *real : {"REAL", "FLOA", "DOUB", "NUMERIC", "DECIMAL", "MONEY"})
        if (d.contains(QLatin1String(real)))
            return Declared::Real;
    return Declared::None;
}

bool fitsInt32(int64_t v)
{
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// UTF-16 code units of a UTF-8 text.
size_t utf16Length(const std::string &utf8)
{
    size_t n = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            ++n;
        if (c >= 0xF0)
            ++n; // a surrogate pair
    }
    return n;
}

std::u16string cellText(const Cell &cell)
{
    if (cell.kind == Cell::Kind::Blob) { // the bytes as Latin-1, as the embedded store reads them
        std::u16string text;
        for (unsigned char c : cell.bytes)
            text.push_back(char16_t(c));
        return text;
    }
    return toUtf16(cell.bytes);
}

void writePlp(ByteWriter &out, const uint8_t *data, size_t size)
{
    out.u64(size);
    if (size > 0) {
        out.u32(uint32_t(size));
        out.bytes(data, size);
    }
    out.u32(0); // the terminating chunk
}

} // namespace

namespace {

// The N of a declared "NVARCHAR(N)" (or any type with one number in parentheses), 0 when none.
size_t declaredLength(const std::string &declaredType)
{
    const size_t open = declaredType.find('(');
    const size_t close = declaredType.find(')', open);
    if (open == std::string::npos || close == std::string::npos || close == open + 1 || close - open > 6)
        return 0;
    size_t n = 0;
    for (size_t i = open + 1; i < close; ++i) {
        if (declaredType[i] < '0' || declaredType[i] > '9')
            return 0;
        n = n * 10 + size_t(declaredType[i] - '0');
    }
    return n;
}

ColumnType columnType(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column,
                      size_t *longestText);

} // namespace

ResultColumn chooseColumnType(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column)
{
    ResultColumn c;
    size_t longest = 0;
    c.type = columnType(declaredType, rows, column, &longest);
    const size_t declared = declaredLength(declaredType);
    // As SQL Server describes a column: its declared length, when every value fits it.
    if (c.type == ColumnType::NVarChar && declared > 0 && declared <= NVarCharBytes / 2 && longest <= declared)
        c.length = uint16_t(declared);
    return c;
}

namespace {

ColumnType columnType(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column,
                      size_t *longestTextOut)
{
    const Declared declared = declaredKind(declaredType);
    bool integers = false, reals = false, texts = false, blobs = false, wide = false, badDate = false;
    size_t longestText = 0, longestBlob = 0;
    for (const std::vector<Cell> &row : rows) {
        const Cell &cell = row.at(column);
        switch (cell.kind) {
        case Cell::Kind::Null: break;
        case Cell::Kind::Integer:
            integers = true;
            wide = wide || !fitsInt32(cell.integer);
            break;
        case Cell::Kind::Real: reals = true; break;
        case Cell::Kind::Text: {
            texts = true;
            longestText = std::max(longestText, utf16Length(cell.bytes));
            int32_t days;
            uint32_t ticks;
            if (declared == Declared::Date && !badDate)
                badDate = !encodeDateTime(cell.bytes, &days, &ticks);
            break;
        }
        case Cell::Kind::Blob:
            blobs = true;
            longestBlob = std::max(longestBlob, cell.bytes.size());
            break;
        }
        if (cell.kind != Cell::Kind::Text && cell.kind != Cell::Kind::Blob && cell.kind != Cell::Kind::Null)
            longestText = std::max(longestText, cell.bytes.size());
    }
    longestText = std::max(longestText, longestBlob);
    *longestTextOut = longestText;
    const ColumnType text = longestText > NVarCharBytes / 2 ? ColumnType::NVarCharMax : ColumnType::NVarChar;
    const bool numbersOnly = !texts && !blobs;

    switch (declared) {
    case Declared::BigInteger:
    case Declared::Integer:
        if (numbersOnly && !reals)
            return wide || declared == Declared::BigInteger ? ColumnType::Int8 : ColumnType::Int4;
        return numbersOnly ? ColumnType::Float : text;
    case Declared::Bit: return numbersOnly && !reals ? ColumnType::Bit : text;
    case Declared::Real: return numbersOnly ? ColumnType::Float : text;
    case Declared::Date: return !integers && !reals && !blobs && !badDate ? ColumnType::DateTime : text;
    case Declared::Text: return text;
    case Declared::Blob:
        if (!integers && !reals && !texts)
            return longestBlob > VarBinaryBytes ? ColumnType::VarBinaryMax : ColumnType::VarBinary;
        return text;
    case Declared::None: break;
    }
    if (blobs && !integers && !reals && !texts)
        return longestBlob > VarBinaryBytes ? ColumnType::VarBinaryMax : ColumnType::VarBinary;
    if (!numbersOnly)
        return text;
    if (reals)
        return ColumnType::Float;
    return wide ? ColumnType::Int8 : ColumnType::Int4;
}

} // namespace

void writeColumnMetadata(ByteWriter &out, const std::vector<ResultColumn> &columns)
{
    out.u8(TdsToken::ColMetadata);
    out.u16(uint16_t(columns.size()));
    for (const ResultColumn &c : columns) {
        out.u32(0);      // user type
        out.u16(0x0009); // nullable, updatability unknown
        switch (c.type) {
        case ColumnType::Int4: out.u8(IntN); out.u8(4); break;
        case ColumnType::Int8: out.u8(IntN); out.u8(8); break;
        case ColumnType::Bit: out.u8(BitN); out.u8(1); break;
        case ColumnType::Float: out.u8(FltN); out.u8(8); break;
        case ColumnType::DateTime: out.u8(DateTimN); out.u8(8); break;
        case ColumnType::NVarChar:
        case ColumnType::NVarCharMax:
            out.u8(NVarCharType);
            out.u16(c.type == ColumnType::NVarChar ? uint16_t(c.length * 2) : MaxLength);
            out.bytes(TdsToken::Collation, sizeof TdsToken::Collation);
            break;
        case ColumnType::VarBinary:
        case ColumnType::VarBinaryMax:
            out.u8(BigVarBinary);
            out.u16(c.type == ColumnType::VarBinary ? VarBinaryBytes : MaxLength);
            break;
        }
        out.bVarchar(c.name);
    }
}

void writeRow(ByteWriter &out, const std::vector<ResultColumn> &columns, const std::vector<Cell> &row)
{
    out.u8(TdsToken::Row);
    for (size_t i = 0; i < columns.size(); ++i) {
        const Cell &cell = row.at(i);
        const bool null = cell.kind == Cell::Kind::Null;
        switch (columns[i].type) {
        case ColumnType::Int4:
        case ColumnType::Int8:
        case ColumnType::Bit:
        case ColumnType::Float:
            if (null) {
                out.u8(0);
            } else if (columns[i].type == ColumnType::Int4) {
                out.u8(4);
                out.u32(uint32_t(int32_t(cell.integer)));
            } else if (columns[i].type == ColumnType::Int8) {
                out.u8(8);
                out.u64(uint64_t(cell.integer));
            } else if (columns[i].type == ColumnType::Bit) {
                out.u8(1);
                out.u8(cell.integer != 0);
            } else {
                out.u8(8);
                out.f64(cell.kind == Cell::Kind::Integer ? double(cell.integer) : cell.real);
            }
            break;
        case ColumnType::DateTime: {
            int32_t days = 0;
            uint32_t ticks = 0;
            if (null || !encodeDateTime(cell.bytes, &days, &ticks)) {
                out.u8(0);
                break;
            }
            out.u8(8);
            out.u32(uint32_t(days));
            out.u32(ticks);
            break;
        }
        case ColumnType::NVarChar:
        case ColumnType::NVarCharMax: {
            if (null) {
                if (columns[i].type == ColumnType::NVarChar)
                    out.u16(0xFFFF);
                else
                    out.u64(PlpNull);
                break;
            }
            ByteWriter text;
            text.utf16(cellText(cell));
            if (columns[i].type == ColumnType::NVarChar) {
                out.u16(uint16_t(text.size()));
                out.bytes(text.data());
            } else {
                writePlp(out, text.data().data(), text.size());
            }
            break;
        }
        case ColumnType::VarBinary:
        case ColumnType::VarBinaryMax:
            if (null) {
                if (columns[i].type == ColumnType::VarBinary)
                    out.u16(0xFFFF);
                else
                    out.u64(PlpNull);
            } else if (columns[i].type == ColumnType::VarBinary) {
                out.u16(uint16_t(cell.bytes.size()));
                out.bytes(reinterpret_cast<const uint8_t *>(cell.bytes.data()), cell.bytes.size());
            } else {
                writePlp(out, reinterpret_cast<const uint8_t *>(cell.bytes.data()), cell.bytes.size());
            }
            break;
        }
    }
}

bool encodeDateTime(const std::string &text, int32_t *days, uint32_t *ticks)
{
    const Value date = SqliteValue::parseDateText(QString::fromStdString(text));
    if (!date.isDateValue())
        return false;
    const int64_t d = QDate(1900, 1, 1).daysTo(date.dateValue());
    const int64_t ms = date.timeValue().msecsSinceStartOfDay();
    int64_t t = (ms * 3 + 5) / 10; // milliseconds to 1/300 s, rounded to the nearest
    int64_t dayCount = d;
    if (t >= TicksPerDay) {
        t -= TicksPerDay;
        ++dayCount;
    }
    // DATETIME covers 1753-01-01 to 9999-12-31.
    if (dayCount < -53690 || dayCount > 2958463)
        return false;
    *days = int32_t(dayCount);
    *ticks = uint32_t(t);
    return true;
}
