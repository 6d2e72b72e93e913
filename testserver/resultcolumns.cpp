#include "testserver/resultcolumns.h"

#include "data/sqlitevalue.h"
#include "testserver/servermessages.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

namespace {

enum TypeByte : uint8_t {
    GuidType = 0x24,
    IntN = 0x26,
    DateN = 0x28,
    TimeN = 0x29,
    DateTime2N = 0x2A,
    BitN = 0x68,
    DecimalN = 0x6A,
    FltN = 0x6D,
    MoneyN = 0x6E,
    DateTimN = 0x6F,
    BigVarBinary = 0xA5,
    BigVarChar = 0xA7,
    BigChar = 0xAF,
    NVarCharType = 0xE7,
    NCharType = 0xEF
};
constexpr uint16_t CharBytes = 8000;   // varchar(8000), nvarchar(4000)
constexpr uint16_t MaxLength = 0xFFFF; // (max): values travel as partially length-prefixed chunks
constexpr uint64_t PlpNull = ~uint64_t(0);
constexpr uint32_t TicksPerDay = 300u * 86400u;
// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, case, kana and width ignored, sort id 52 (code page 1252).
constexpr uint8_t Cp1252Collation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

// The declared type's name (upper case, without its parentheses) and its numbers; -1 for MAX.
struct Declared
{
    QString name;
    std::vector<int> numbers;
};

Declared parseDeclared(const std::string &declaredType)
{
    Declared d;
    const QString text = QString::fromStdString(declaredType).trimmed().toUpper();
    const qsizetype open = text.indexOf(u'(');
    d.name = text.left(open).simplified();
    if (open >= 0)
        for (const QString &n : text.mid(open + 1).section(u')', 0, 0).split(u','))
            d.numbers.push_back(n.trimmed() == QLatin1String("MAX") ? -1 : n.trimmed().toInt());
    return d;
}

int number(const Declared &d, size_t i, int fallback)
{
    return i < d.numbers.size() ? d.numbers[i] : fallback;
}

// Characters of a value, in UTF-16 code units.
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

// UTF-8 to code page 1252 through iconv; a character the code page lacks becomes '?', as SQL
// Server stores it in a varchar column.
std::string toCp1252(const std::string &utf8)
{
    thread_local iconv_t cd = iconv_open("CP1252", "UTF-8");
    std::string out;
    out.reserve(utf8.size());
    char *in = const_cast<char *>(utf8.data());
    size_t inLeft = utf8.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char buffer[256];
        char *to = buffer;
        size_t toLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(buffer, size_t(to - buffer));
        if (rc == size_t(-1) && errno != E2BIG) { // not in the code page, or not UTF-8: one character is '?'
            out.push_back('?');
            do {
                ++in;
                --inLeft;
            } while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
        }
    }
    return out;
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

// A stored number as an integer scaled by 10^scale, rounded half away from zero; false when the
// text is no number or the result has more than maxDigits digits.
bool scaledNumber(const Cell &cell, int scale, int maxDigits, bool *negative, unsigned __int128 *magnitude)
{
    std::string text = cell.bytes;
    if (cell.kind == Cell::Kind::Integer)
        text = std::to_string(cell.integer);
    const QString t = QString::fromStdString(text).trimmed();
    static const QRegularExpression form(QStringLiteral("^([+-]?)(\\d*)(?:\\.(\\d*))?(?:[eE]([+-]?\\d{1,3}))?$"));
    const QRegularExpressionMatch m = form.match(t);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return false;
    *negative = m.captured(1) == QLatin1String("-");
    QString digits = m.captured(2) + m.captured(3);
    int point = int(m.captured(2).size()) + m.captured(4).toInt(); // digits before the point
    // digits * 10^(point - digits.size()) scaled by 10^scale
    const int shift = point - int(digits.size()) + scale;
    bool roundUp = false;
    if (shift < 0) {
        const qsizetype keep = digits.size() + shift;
        roundUp = keep >= 0 && keep < digits.size() && digits.at(keep) >= u'5';
        digits = keep > 0 ? digits.left(keep) : QString();
    } else {
        digits += QString(shift, u'0');
    }
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > maxDigits)
        return false;
    unsigned __int128 v = 0;
    for (QChar c : digits)
        v = v * 10 + unsigned(c.unicode() - u'0');
    if (roundUp)
        ++v;
    unsigned __int128 limit = 1;
    for (int i = 0; i < maxDigits; ++i)
        limit *= 10;
    if (v >= limit)
        return false;
    *magnitude = v;
    if (v == 0)
        *negative = false;
    return true;
}

uint8_t decimalBytes(uint8_t precision)
{
    return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

int timeBytes(uint8_t scale)
{
    return scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
}

bool readsAsGetDate(const Cell &cell)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3}$"));
    return cell.kind == Cell::Kind::Text && form.match(QString::fromStdString(cell.bytes)).hasMatch();
}

const char *typeName(const ResultColumn &c)
{
    switch (c.type) {
    case ColumnType::TinyInt: return "tinyint";
    case ColumnType::SmallInt: return "smallint";
    case ColumnType::Int4: return "int";
    case ColumnType::Int8: return "bigint";
    case ColumnType::Bit: return "bit";
    case ColumnType::Float: return "float";
    case ColumnType::Decimal: return "numeric";
    case ColumnType::Money: return "money";
    case ColumnType::SmallMoney: return "smallmoney";
    case ColumnType::DateTime: return "datetime";
    case ColumnType::SmallDateTime: return "smalldatetime";
    case ColumnType::Date: return "date";
    case ColumnType::Time: return "time";
    case ColumnType::DateTime2: return "datetime2";
    case ColumnType::Guid: return "uniqueidentifier";
    default: return "nvarchar";
    }
}

// The integer a stored value stands for in an integer column (a fraction is cut, as SQL Server
// converts); false when it is none.
bool integerOf(const Cell &cell, int64_t *value)
{
    if (cell.kind == Cell::Kind::Integer) {
        *value = cell.integer;
        return true;
    }
    if (cell.kind == Cell::Kind::Real) {
        if (!(std::fabs(cell.real) < 9.2e18))
            return false;
        *value = int64_t(cell.real);
        return true;
    }
    bool ok = false;
    *value = QString::fromStdString(cell.bytes).trimmed().toLongLong(&ok);
    return ok;
}

bool timeOf(const Cell &cell, QDate *date, QTime *time)
{
    if (cell.kind != Cell::Kind::Text)
        return false;
    const Value v = SqliteValue::parseDateText(QString::fromStdString(cell.bytes));
    if (!v.isDateValue())
        return false;
    *date = v.dateValue();
    *time = v.timeValue();
    return true;
}

bool fits(const ResultColumn &c, const Cell &cell)
{
    int64_t n = 0;
    bool negative;
    unsigned __int128 magnitude;
    QDate date;
    QTime time;
    int32_t days;
    uint32_t ticks;
    switch (c.type) {
    case ColumnType::TinyInt: return integerOf(cell, &n) && n >= 0 && n <= 255;
    case ColumnType::SmallInt: return integerOf(cell, &n) && n >= -32768 && n <= 32767;
    case ColumnType::Int4:
        return integerOf(cell, &n) && n >= std::numeric_limits<int32_t>::min()
               && n <= std::numeric_limits<int32_t>::max();
    case ColumnType::Int8:
    case ColumnType::Bit: return integerOf(cell, &n);
    case ColumnType::Float: return cell.kind != Cell::Kind::Text || scaledNumber(cell, 0, 38, &negative, &magnitude);
    case ColumnType::Decimal: return scaledNumber(cell, c.scale, c.precision, &negative, &magnitude);
    // MONEY and SMALLMONEY are 64- and 32-bit counts of ten-thousandths.
    case ColumnType::Money:
        return scaledNumber(cell, 4, 19, &negative, &magnitude)
               && magnitude <= uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    case ColumnType::SmallMoney:
        return scaledNumber(cell, 4, 10, &negative, &magnitude)
               && magnitude <= uint64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1 : 0);
    case ColumnType::DateTime: return cell.kind == Cell::Kind::Text && encodeDateTime(cell.bytes, &days, &ticks);
    case ColumnType::SmallDateTime:
        return timeOf(cell, &date, &time) && date >= QDate(1900, 1, 1) && date <= QDate(2079, 6, 6);
    case ColumnType::Date:
    case ColumnType::Time:
    case ColumnType::DateTime2: return timeOf(cell, &date, &time) && date.year() >= 1;
    case ColumnType::Guid:
        return cell.kind == Cell::Kind::Text && !QUuid::fromString(QString::fromStdString(cell.bytes)).isNull();
    default: return true;
    }
}

} // namespace

bool describeColumn(const std::string &declaredType, const std::vector<std::vector<Cell>> &rows, size_t column,
                    ResultColumn *result, TdsToken::ServerMessage *error)
{
    ResultColumn c;
    const Declared d = parseDeclared(declaredType);
    const QString &t = d.name;
    int length = 0; // declared characters; -1 for MAX, 0 when not given
    bool any = false, integers = false, reals = false, texts = false, blobs = false, wide = false, dates = true;
    size_t longest = 0;
    for (const std::vector<Cell> &row : rows) {
        const Cell &cell = row.at(column);
        if (cell.kind == Cell::Kind::Null)
            continue;
        any = true;
        integers |= cell.kind == Cell::Kind::Integer;
        reals |= cell.kind == Cell::Kind::Real;
        texts |= cell.kind == Cell::Kind::Text;
        blobs |= cell.kind == Cell::Kind::Blob;
        wide |= cell.kind == Cell::Kind::Integer
                && (cell.integer < std::numeric_limits<int32_t>::min()
                    || cell.integer > std::numeric_limits<int32_t>::max());
        dates &= readsAsGetDate(cell);
        longest = std::max(longest, cell.kind == Cell::Kind::Blob ? cell.bytes.size() : utf16Length(cell.bytes));
    }
    const auto character = [&](ColumnType fixed, ColumnType varying, ColumnType max, bool isFixed) {
        length = number(d, 0, isFixed ? 1 : 0);
        c.type = isFixed ? fixed : varying;
        const size_t limit = varying == ColumnType::VarChar ? CharBytes : CharBytes / 2;
        if (length < 0 || longest > limit) {
            c.type = max;
        } else if (length == 0 || size_t(length) < longest) { // undeclared, or stored longer than SQL Server would
            c.type = varying;
            c.length = uint16_t(length == 0 ? limit : std::max<size_t>(longest, 1));
        } else {
            c.length = uint16_t(length);
        }
    };
    if (t == QLatin1String("TINYINT"))
        c.type = ColumnType::TinyInt;
    else if (t == QLatin1String("SMALLINT"))
        c.type = ColumnType::SmallInt;
    else if (t == QLatin1String("BIGINT"))
        c.type = ColumnType::Int8;
    else if (t.contains(QLatin1String("INT")))
        c.type = wide ? ColumnType::Int8 : ColumnType::Int4;
    else if (t == QLatin1String("BIT") || t.startsWith(QLatin1String("BOOL")))
        c.type = ColumnType::Bit;
    else if (t == QLatin1String("DECIMAL") || t == QLatin1String("NUMERIC") || t == QLatin1String("DEC")) {
        c.type = ColumnType::Decimal;
        c.precision = uint8_t(std::clamp(number(d, 0, 18), 1, 38));
        c.scale = uint8_t(std::clamp(number(d, 1, 0), 0, int(c.precision)));
    } else if (t == QLatin1String("MONEY"))
        c.type = ColumnType::Money;
    else if (t == QLatin1String("SMALLMONEY"))
        c.type = ColumnType::SmallMoney;
    else if (t == QLatin1String("REAL") || t.startsWith(QLatin1String("FLOA")) || t.startsWith(QLatin1String("DOUB")))
        c.type = ColumnType::Float;
    else if (t == QLatin1String("SMALLDATETIME"))
        c.type = ColumnType::SmallDateTime;
    else if (t == QLatin1String("DATE"))
        c.type = ColumnType::Date;
    else if (t == QLatin1String("TIME") || t == QLatin1String("DATETIME2")) {
        c.type = t == QLatin1String("TIME") ? ColumnType::Time : ColumnType::DateTime2;
        c.scale = uint8_t(std::clamp(number(d, 0, 7), 0, 7));
    } else if (t.contains(QLatin1String("DATE")))
        c.type = ColumnType::DateTime;
    else if (t == QLatin1String("UNIQUEIDENTIFIER"))
        c.type = ColumnType::Guid;
    else if (t == QLatin1String("VARCHAR") || t == QLatin1String("CHAR") || t == QLatin1String("CHARACTER"))
        character(ColumnType::Char, ColumnType::VarChar, ColumnType::VarCharMax, t != QLatin1String("VARCHAR"));
    else if (t == QLatin1String("NCHAR"))
        character(ColumnType::NChar, ColumnType::NVarChar, ColumnType::NVarCharMax, true);
    else if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT"))
             || t.contains(QLatin1String("CLOB")))
        character(ColumnType::NChar, ColumnType::NVarChar, ColumnType::NVarCharMax, false);
    else if (t.contains(QLatin1String("BLOB")) || t.contains(QLatin1String("BINARY")))
        c.type = longest > CharBytes ? ColumnType::VarBinaryMax : ColumnType::VarBinary;
    else if (!t.isEmpty() && !blobs && !texts) // another SQLite name: as its values read
        c.type = reals ? ColumnType::Float : wide ? ColumnType::Int8 : ColumnType::Int4;
    else if (!t.isEmpty())
        character(ColumnType::NChar, ColumnType::NVarChar, ColumnType::NVarCharMax, false);
    else if (!any || (!reals && !texts && !blobs)) // an expression: COUNT(*) is int
        c.type = wide ? ColumnType::Int8 : ColumnType::Int4;
    else if (!texts && !blobs)
        c.type = ColumnType::Float;
    else if (texts && dates && !integers && !reals && !blobs) // GETDATE() and its like
        c.type = ColumnType::DateTime;
    else if (blobs && !texts && !integers && !reals)
        c.type = longest > CharBytes ? ColumnType::VarBinaryMax : ColumnType::VarBinary;
    else
        character(ColumnType::NChar, ColumnType::NVarChar, ColumnType::NVarCharMax, false);

    for (const std::vector<Cell> &row : rows) {
        const Cell &cell = row.at(column);
        if (cell.kind == Cell::Kind::Null || fits(c, cell))
            continue;
        const bool numeric = c.type == ColumnType::Decimal || c.type == ColumnType::Money
                             || c.type == ColumnType::SmallMoney;
        int64_t n;
        bool negative;
        unsigned __int128 m;
        // A number too large is an overflow, anything else a failed conversion.
        const bool overflow = numeric ? scaledNumber(cell, 0, 38, &negative, &m) : integerOf(cell, &n);
        *error = overflow ? ServerMessages::arithmeticOverflow(typeName(c))
                          : ServerMessages::conversionFailed(cell.bytes.substr(0, 100), typeName(c));
        return false;
    }
    *result = c;
    return true;
}

void writeColumnMetadata(ByteWriter &out, const std::vector<ResultColumn> &columns)
{
    out.u8(TdsToken::ColMetadata);
    out.u16(uint16_t(columns.size()));
    for (const ResultColumn &c : columns) {
        out.u32(0);      // user type
        out.u16(0x0009); // nullable, updatability unknown
        const auto fixedSize = [&](uint8_t type, uint8_t size) {
            out.u8(type);
            out.u8(size);
        };
        switch (c.type) {
        case ColumnType::TinyInt: fixedSize(IntN, 1); break;
        case ColumnType::SmallInt: fixedSize(IntN, 2); break;
        case ColumnType::Int4: fixedSize(IntN, 4); break;
        case ColumnType::Int8: fixedSize(IntN, 8); break;
        case ColumnType::Bit: fixedSize(BitN, 1); break;
        case ColumnType::Float: fixedSize(FltN, 8); break;
        case ColumnType::Decimal:
            fixedSize(DecimalN, decimalBytes(c.precision));
            out.u8(c.precision);
            out.u8(c.scale);
            break;
        case ColumnType::Money: fixedSize(MoneyN, 8); break;
        case ColumnType::SmallMoney: fixedSize(MoneyN, 4); break;
        case ColumnType::DateTime: fixedSize(DateTimN, 8); break;
        case ColumnType::SmallDateTime: fixedSize(DateTimN, 4); break;
        case ColumnType::Date: out.u8(DateN); break;
        case ColumnType::Time: fixedSize(TimeN, c.scale); break;
        case ColumnType::DateTime2: fixedSize(DateTime2N, c.scale); break;
        case ColumnType::Guid: fixedSize(GuidType, 16); break;
        case ColumnType::VarChar:
        case ColumnType::Char:
        case ColumnType::VarCharMax:
            out.u8(c.type == ColumnType::Char ? BigChar : BigVarChar);
            out.u16(c.type == ColumnType::VarCharMax ? MaxLength : c.length);
            out.bytes(Cp1252Collation, sizeof Cp1252Collation);
            break;
        case ColumnType::NVarChar:
        case ColumnType::NChar:
        case ColumnType::NVarCharMax:
            out.u8(c.type == ColumnType::NChar ? NCharType : NVarCharType);
            out.u16(c.type == ColumnType::NVarCharMax ? MaxLength : uint16_t(c.length * 2));
            out.bytes(TdsToken::Collation, sizeof TdsToken::Collation);
            break;
        case ColumnType::VarBinary:
        case ColumnType::VarBinaryMax:
            out.u8(BigVarBinary);
            out.u16(c.type == ColumnType::VarBinary ? CharBytes : MaxLength);
            break;
        }
        out.bVarchar(c.name);
    }
}

namespace {

// Time of day in units of 10^-scale s, in the 3 to 5 bytes TIME(scale) takes.
void writeTime(ByteWriter &out, const QTime &time, uint8_t scale)
{
    uint64_t units = uint64_t(time.msecsSinceStartOfDay());
    // The stored value holds milliseconds: below scale 3 they are rounded away, above it padded.
    for (int i = 3; i < scale; ++i)
        units *= 10;
    for (int i = scale; i < 3; ++i)
        units = (units + 5) / 10;
    const int bytes = timeBytes(scale);
    for (int i = 0; i < bytes; ++i)
        out.u8(uint8_t(units >> (8 * i)));
}

void writeDate(ByteWriter &out, const QDate &date)
{
    const uint32_t days = uint32_t(QDate(1, 1, 1).daysTo(date));
    out.u8(uint8_t(days));
    out.u8(uint8_t(days >> 8));
    out.u8(uint8_t(days >> 16));
}

void writeVarying(ByteWriter &out, bool max, const std::string &bytes)
{
    if (max) {
        writePlp(out, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    } else {
        out.u16(uint16_t(bytes.size()));
        out.bytes(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    }
}

} // namespace

void writeRow(ByteWriter &out, const std::vector<ResultColumn> &columns, const std::vector<Cell> &row)
{
    out.u8(TdsToken::Row);
    for (size_t i = 0; i < columns.size(); ++i) {
        const Cell &cell = row.at(i);
        const ResultColumn &c = columns[i];
        const bool plp = c.type == ColumnType::VarCharMax || c.type == ColumnType::NVarCharMax
                         || c.type == ColumnType::VarBinaryMax;
        const bool shortLength = c.type == ColumnType::VarChar || c.type == ColumnType::Char
                                 || c.type == ColumnType::NVarChar || c.type == ColumnType::NChar
                                 || c.type == ColumnType::VarBinary;
        if (cell.kind == Cell::Kind::Null) {
            if (plp)
                out.u64(PlpNull);
            else if (shortLength)
                out.u16(0xFFFF);
            else
                out.u8(0);
            continue;
        }
        int64_t n = 0;
        bool negative = false;
        unsigned __int128 magnitude = 0;
        QDate date;
        QTime time;
        switch (c.type) {
        case ColumnType::TinyInt:
            integerOf(cell, &n);
            out.u8(1);
            out.u8(uint8_t(n));
            break;
        case ColumnType::SmallInt:
            integerOf(cell, &n);
            out.u8(2);
            out.u16(uint16_t(int16_t(n)));
            break;
        case ColumnType::Int4:
            integerOf(cell, &n);
            out.u8(4);
            out.u32(uint32_t(int32_t(n)));
            break;
        case ColumnType::Int8:
            integerOf(cell, &n);
            out.u8(8);
            out.u64(uint64_t(n));
            break;
        case ColumnType::Bit:
            integerOf(cell, &n);
            out.u8(1);
            out.u8(n != 0);
            break;
        case ColumnType::Float:
            out.u8(8);
            out.f64(cell.kind == Cell::Kind::Integer ? double(cell.integer)
                    : cell.kind == Cell::Kind::Real  ? cell.real
                                                     : QString::fromStdString(cell.bytes).trimmed().toDouble());
            break;
        case ColumnType::Decimal: {
            scaledNumber(cell, c.scale, c.precision, &negative, &magnitude);
            const uint8_t size = decimalBytes(c.precision);
            out.u8(size);
            out.u8(negative ? 0 : 1);
            for (int b = 0; b < size - 1; ++b)
                out.u8(uint8_t(magnitude >> (8 * b)));
            break;
        }
        case ColumnType::Money:
        case ColumnType::SmallMoney: {
            scaledNumber(cell, 4, 19, &negative, &magnitude);
            const int64_t units = int64_t(negative ? 0 - uint64_t(magnitude) : uint64_t(magnitude));
            if (c.type == ColumnType::SmallMoney) {
                out.u8(4);
                out.u32(uint32_t(int32_t(units)));
            } else { // the high half first, each half little-endian
                out.u8(8);
                out.u32(uint32_t(uint64_t(units) >> 32));
                out.u32(uint32_t(uint64_t(units)));
            }
            break;
        }
        case ColumnType::DateTime: {
            int32_t days = 0;
            uint32_t ticks = 0;
            encodeDateTime(cell.bytes, &days, &ticks);
            out.u8(8);
            out.u32(uint32_t(days));
            out.u32(ticks);
            break;
        }
        case ColumnType::SmallDateTime: {
            timeOf(cell, &date, &time);
            int minutes = (time.msecsSinceStartOfDay() + 30000) / 60000; // rounded to the minute
            int days = int(QDate(1900, 1, 1).daysTo(date));
            if (minutes >= 1440) {
                minutes -= 1440;
                ++days;
            }
            out.u8(4);
            out.u16(uint16_t(days));
            out.u16(uint16_t(minutes));
            break;
        }
        case ColumnType::Date:
            timeOf(cell, &date, &time);
            out.u8(3);
            writeDate(out, date);
            break;
        case ColumnType::Time:
            timeOf(cell, &date, &time);
            out.u8(uint8_t(timeBytes(c.scale)));
            writeTime(out, time, c.scale);
            break;
        case ColumnType::DateTime2:
            timeOf(cell, &date, &time);
            out.u8(uint8_t(timeBytes(c.scale) + 3));
            writeTime(out, time, c.scale);
            writeDate(out, date);
            break;
        case ColumnType::Guid: {
            // The first three groups little-endian, the last two as written.
            QByteArray bytes = QUuid::fromString(QString::fromStdString(cell.bytes)).toRfc4122();
            std::reverse(bytes.begin(), bytes.begin() + 4);
            std::reverse(bytes.begin() + 4, bytes.begin() + 6);
            std::reverse(bytes.begin() + 6, bytes.begin() + 8);
            out.u8(16);
            out.bytes(reinterpret_cast<const uint8_t *>(bytes.constData()), 16);
            break;
        }
        case ColumnType::VarChar:
        case ColumnType::Char:
        case ColumnType::VarCharMax: {
            std::string text = toCp1252(cell.kind == Cell::Kind::Blob ? toUtf8(cellText(cell)) : cell.bytes);
            if (c.type == ColumnType::Char && text.size() < c.length)
                text.append(c.length - text.size(), ' ');
            writeVarying(out, plp, text);
            break;
        }
        case ColumnType::NVarChar:
        case ColumnType::NChar:
        case ColumnType::NVarCharMax: {
            std::u16string chars = cellText(cell);
            if (c.type == ColumnType::NChar && chars.size() < c.length)
                chars.append(c.length - chars.size(), u' ');
            ByteWriter text;
            text.utf16(chars);
            writeVarying(out, plp, std::string(text.data().begin(), text.data().end()));
            break;
        }
        case ColumnType::VarBinary:
        case ColumnType::VarBinaryMax: writeVarying(out, plp, cell.bytes); break;
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
