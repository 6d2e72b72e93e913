#include "data/sqlservercollation.h"

#include <QtGlobal>

#include <sqlite3.h>
#include <unicode/ucol.h>

#include <string>
#include <vector>

namespace SqlServerCollation {

namespace {

// One ICU collator per registration: SQLite calls a connection's collations and functions
// from one thread at a time, and frees each with the connection.
UCollator *openCollator(UCollationStrength strength)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = ucol_open("en", &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    ucol_setStrength(collator, strength);
    return collator;
}

void closeCollator(void *collator)
{
    ucol_close(static_cast<UCollator *>(collator));
}

int withoutTrailingBlanks(const char *text, int length)
{
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}

int compareText(void *collator, int leftLength, const void *left, int rightLength, const void *right)
{
    const char *l = static_cast<const char *>(left);
    const char *r = static_cast<const char *>(right);
    leftLength = withoutTrailingBlanks(l, leftLength);
    rightLength = withoutTrailingBlanks(r, rightLength);
    if (leftLength == rightLength && std::char_traits<char>::compare(l, r, size_t(leftLength)) == 0)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int order = int(ucol_strcollUTF8(static_cast<UCollator *>(collator), l, leftLength, r, rightLength, &status));
    if (order != 0)
        return order;
    // ICU ignores control characters altogether; SQL Server's VARCHAR comparison does not
    // ("10\x01" "01" is not "1001"). Texts ICU finds equal are told apart by their control
    // characters, in order, which keeps the order total.
    const auto controls = [](const char *text, int length) {
        std::string found;
        for (int i = 0; i < length; ++i)
            if (uchar(text[i]) < 0x20 || text[i] == 0x7f)
                found += text[i];
        return found;
    };
    return controls(l, leftLength).compare(controls(r, rightLength));
}

// One element of a LIKE pattern.
struct PatternItem
{
    enum Kind { AnyRun, AnyOne, Literal, Set } kind;
    UChar character = 0;        // Literal
    std::vector<UChar> members; // Set: single members
    std::vector<UChar> ranges;  // Set: pairs low, high
    bool negated = false;
};

class Matcher
{
public:
    explicit Matcher(const UCollator *collator) : m_collator(collator) {}

    bool same(UChar a, UChar b) const
    {
        if (a == b)
            return true;
        if (a < 0x20 || b < 0x20 || a == 0x7f || b == 0x7f)
            return false; // ICU ignores control characters; a pattern does not
        if (a < 0x80 && b < 0x80) {
            const auto lower = [](UChar c) { return c >= 'A' && c <= 'Z' ? UChar(c + 32) : c; };
            return lower(a) == lower(b);
        }
        return order(a, b) == 0;
    }

    int order(UChar a, UChar b) const { return int(ucol_strcoll(m_collator, &a, 1, &b, 1)); }

    bool matchesItem(const PatternItem &item, UChar c) const
    {
        switch (item.kind) {
        case PatternItem::AnyOne: return true;
        case PatternItem::Literal: return same(item.character, c);
        case PatternItem::Set: {
            bool in = false;
            for (UChar m : item.members)
                in = in || same(m, c);
            for (size_t i = 0; !in && i + 1 < item.ranges.size(); i += 2)
                in = order(item.ranges[i], c) <= 0 && order(c, item.ranges[i + 1]) <= 0;
            return in != item.negated;
        }
        case PatternItem::AnyRun: break;
        }
        return false;
    }

    // The text's first length characters against the whole pattern.
    bool matches(const std::vector<PatternItem> &pattern, const std::u16string &text, size_t length) const
    {
        size_t t = 0, p = 0;
        size_t runText = std::u16string::npos, runPattern = 0;
        while (t < length) {
            if (p < pattern.size() && pattern[p].kind == PatternItem::AnyRun) {
                runPattern = ++p;
                runText = t;
            } else if (p < pattern.size() && matchesItem(pattern[p], UChar(text[t]))) {
                ++p;
                ++t;
            } else if (runText != std::u16string::npos) {
                p = runPattern;
                t = ++runText;
            } else {
                return false;
            }
        }
        while (p < pattern.size() && pattern[p].kind == PatternItem::AnyRun)
            ++p;
        return p == pattern.size();
    }

private:
    const UCollator *m_collator;
};

std::u16string utf16(sqlite3_value *value)
{
    const void *text = sqlite3_value_text16(value);
    const int bytes = sqlite3_value_bytes16(value);
    return text ? std::u16string(static_cast<const char16_t *>(text), size_t(bytes) / 2) : std::u16string();
}

// A pattern as T-SQL reads it. A '[' without its ']' stands for itself; the escape
// character makes the one after it a literal, also inside brackets.
std::vector<PatternItem> parsePattern(const std::u16string &pattern, int escape)
{
    std::vector<PatternItem> items;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const UChar c = UChar(pattern[i]);
        if (escape >= 0 && c == UChar(escape) && i + 1 < pattern.size()) {
            items.push_back({PatternItem::Literal, UChar(pattern[++i]), {}, {}, false});
        } else if (c == u'%') {
            if (items.empty() || items.back().kind != PatternItem::AnyRun)
                items.push_back({PatternItem::AnyRun, 0, {}, {}, false});
        } else if (c == u'_') {
            items.push_back({PatternItem::AnyOne, 0, {}, {}, false});
        } else if (c == u'[' && pattern.find(u']', i + 1) != std::u16string::npos) {
            PatternItem set{PatternItem::Set, 0, {}, {}, false};
            size_t j = i + 1;
            if (pattern[j] == u'^' && pattern[j + 1] != u']') {
                set.negated = true;
                ++j;
            }
            for (; j < pattern.size() && pattern[j] != u']'; ++j) {
                UChar member = UChar(pattern[j]);
                if (escape >= 0 && member == UChar(escape) && j + 1 < pattern.size())
                    member = UChar(pattern[++j]);
                if (j + 2 < pattern.size() && pattern[j + 1] == u'-' && pattern[j + 2] != u']') {
                    set.ranges.push_back(member);
                    set.ranges.push_back(UChar(pattern[j + 2]));
                    j += 2;
                } else {
                    set.members.push_back(member);
                }
            }
            if (j >= pattern.size()) { // the ']' was the escaped one: a literal '['
                items.push_back({PatternItem::Literal, c, {}, {}, false});
                continue;
            }
            items.push_back(std::move(set));
            i = j;
        } else {
            items.push_back({PatternItem::Literal, c, {}, {}, false});
        }
    }
    return items;
}

void like(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return sqlite3_result_null(context);
    int escape = -1;
    if (argc == 3) {
        const std::u16string e = utf16(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.front();
    }
    const Matcher matcher(static_cast<const UCollator *>(sqlite3_user_data(context)));
    const std::vector<PatternItem> pattern = parsePattern(utf16(argv[0]), escape);
    const std::u16string text = utf16(argv[1]);
    // The text's trailing blanks do not count: try it with each number of them.
    size_t shortest = text.size();
    while (shortest > 0 && text[shortest - 1] == u' ')
        --shortest;
    bool found = false;
    for (size_t length = text.size(); !found && length + 1 > shortest; --length) {
        found = matcher.matches(pattern, text, length);
        if (length == 0)
            break;
    }
    sqlite3_result_int(context, found ? 1 : 0);
}

int addCollation(sqlite3 *db, const char *name, UCollationStrength strength)
{
    UCollator *collator = openCollator(strength);
    if (!collator)
        return SQLITE_ERROR;
    return sqlite3_create_collation_v2(db, name, SQLITE_UTF8, collator, compareText, closeCollator);
}

int addMatch(sqlite3 *db, const char *name, UCollationStrength strength)
{
    for (int argc : {2, 3}) {
        UCollator *collator = openCollator(strength);
        if (!collator)
            return SQLITE_ERROR;
        const int rc = sqlite3_create_function_v2(db, name, argc, SQLITE_UTF16 | SQLITE_DETERMINISTIC, collator, like,
                                                  nullptr, nullptr, closeCollator);
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

} // namespace

bool isAccentInsensitive(const QString &name)
{
    return name.endsWith(QLatin1String("_AI"), Qt::CaseInsensitive)
           || name.contains(QLatin1String("_AI_"), Qt::CaseInsensitive);
}

int addTo(sqlite3 *db)
{
    int rc = SQLITE_OK;
    for (const char *name : {DefaultName, "Latin1_General_CI_AS"})
        if (rc == SQLITE_OK)
            rc = addCollation(db, name, UCOL_SECONDARY);
    for (const char *name : {AccentInsensitiveName, "SQL_Latin1_General_CP1_CI_AI"})
        if (rc == SQLITE_OK)
            rc = addCollation(db, name, UCOL_PRIMARY);
    if (rc == SQLITE_OK)
        rc = addMatch(db, "like", UCOL_SECONDARY);
    if (rc == SQLITE_OK)
        rc = addMatch(db, "regexp", UCOL_PRIMARY);
    return rc;
}

} // namespace SqlServerCollation
