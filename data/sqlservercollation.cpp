#include "data/sqlservercollation.h"

#include <QtGlobal>

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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

constexpr int NotAlphanumeric = 2;

// -1, 0 or 1 when both texts hold only ASCII letters and digits; NotAlphanumeric otherwise.
int asciiAlphanumericOrder(const char *l, int leftLength, const char *r, int rightLength)
{
    const auto folded = [](char c) -> int {
        if (c >= 'a' && c <= 'z')
            return c;
        if (c >= 'A' && c <= 'Z')
            return c + ('a' - 'A');
        if (c >= '0' && c <= '9')
            return c;
        return -1;
    };
    const int common = std::min(leftLength, rightLength);
    int order = 0;
    int i = 0;
    for (; i < common; ++i) {
        const int a = folded(l[i]);
        const int b = folded(r[i]);
        if (a < 0 || b < 0)
            return NotAlphanumeric;
        if (order == 0 && a != b)
            order = a < b ? -1 : 1;
    }
    // The rest of the longer text must be alphanumeric too for the answer to hold.
    for (int j = i; j < leftLength; ++j)
        if (folded(l[j]) < 0)
            return NotAlphanumeric;
    for (int j = i; j < rightLength; ++j)
        if (folded(r[j]) < 0)
            return NotAlphanumeric;
    if (order != 0)
        return order;
    return leftLength == rightLength ? 0 : (leftLength < rightLength ? -1 : 1);
}

int compareText(void *collator, int leftLength, const void *left, int rightLength, const void *right)
{
    const char *l = static_cast<const char *>(left);
    const char *r = static_cast<const char *>(right);
    leftLength = withoutTrailingBlanks(l, leftLength);
    rightLength = withoutTrailingBlanks(r, rightLength);
    if (leftLength == rightLength && std::char_traits<char>::compare(l, r, size_t(leftLength)) == 0)
        return 0;
    // Codes and numbers (invitation numbers, company numbers) are ASCII letters and digits, for
    // which the collator's order, at either strength, is that of their lower-case bytes (digits
    // before letters, a prefix first): the index descents of every check-in need no ICU call.
    if (const int order = asciiAlphanumericOrder(l, leftLength, r, rightLength); order != NotAlphanumeric)
        return order;
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
    // The classes of the character and of the members (Matcher::classOf), set by prepare().
    uint32_t characterClass = 0;
    std::vector<uint32_t> memberClasses;
};

class Matcher
{
public:
    explicit Matcher(const UCollator *collator) : m_collator(collator), m_class(0x10000, 0) {}

    // A UTF-16 unit's class at the collator's strength: two units are the same character
    // for LIKE when their classes are equal, that is when ICU's sort keys of the two alone
    // are equal (so "a", "A" and, without accents, "á" share one). Each unit's class is asked
    // of the collator once per statement. A control character is a class of its own: ICU
    // ignores them, a pattern does not.
    uint32_t classOf(UChar c) const
    {
        const uint32_t known = m_class[c];
        return known ? known : newClassOf(c);
    }

    int order(UChar a, UChar b) const { return int(ucol_strcoll(m_collator, &a, 1, &b, 1)); }

    void prepare(std::vector<PatternItem> &pattern) const
    {
        for (PatternItem &item : pattern) {
            item.characterClass = classOf(item.character);
            for (UChar m : item.members)
                item.memberClasses.push_back(classOf(m));
        }
    }

private:
    uint32_t newClassOf(UChar c) const
    {
        uint32_t &known = m_class[c];
        if (c < 0x20 || c == 0x7f)
            return known = ++m_classes;
        uint8_t key[64];
        std::string sortKey;
        const int32_t length = ucol_getSortKey(m_collator, &c, 1, key, int32_t(sizeof key));
        if (length <= int32_t(sizeof key)) {
            sortKey.assign(reinterpret_cast<const char *>(key), size_t(std::max(0, length)));
        } else {
            sortKey.resize(size_t(length));
            ucol_getSortKey(m_collator, &c, 1, reinterpret_cast<uint8_t *>(sortKey.data()), length);
        }
        const auto [at, added] = m_keys.emplace(std::move(sortKey), m_classes + 1);
        if (added)
            ++m_classes;
        return known = at->second;
    }

public:
    bool matchesItem(const PatternItem &item, uint32_t unitClass, UChar c) const
    {
        switch (item.kind) {
        case PatternItem::AnyOne: return true;
        case PatternItem::Literal: return item.characterClass == unitClass;
        case PatternItem::Set: {
            bool in = std::find(item.memberClasses.begin(), item.memberClasses.end(), unitClass)
                      != item.memberClasses.end();
            for (size_t i = 0; !in && i + 1 < item.ranges.size(); i += 2)
                in = order(item.ranges[i], c) <= 0 && order(c, item.ranges[i + 1]) <= 0;
            return in != item.negated;
        }
        case PatternItem::AnyRun: break;
        }
        return false;
    }

    // The text's first length units (their classes alongside) against the whole pattern.
    bool matches(const std::vector<PatternItem> &pattern, std::u16string_view text,
                 const std::vector<uint32_t> &classes, size_t length) const
    {
        size_t t = 0, p = 0;
        size_t runText = std::u16string_view::npos, runPattern = 0;
        while (t < length) {
            if (p < pattern.size() && pattern[p].kind == PatternItem::AnyRun) {
                runPattern = ++p;
                runText = t;
            } else if (p < pattern.size() && matchesItem(pattern[p], classes[t], UChar(text[t]))) {
                ++p;
                ++t;
            } else if (runText != std::u16string_view::npos) {
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
    mutable std::vector<uint32_t> m_class; // by UTF-16 unit; 0 while not asked
    mutable std::unordered_map<std::string, uint32_t> m_keys;
    mutable uint32_t m_classes = 0;
};

// A value's UTF-8 text as UTF-16 in a buffer of the caller's (an invalid sequence becomes
// U+FFFD), without SQLite's own conversion and allocation for every row.
std::u16string_view utf16View(sqlite3_value *value, std::u16string &buffer)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    const int bytes = sqlite3_value_bytes(value);
    if (!text || bytes == 0)
        return {};
    buffer.resize(size_t(bytes)); // never more UTF-16 units than UTF-8 bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(buffer.data()), int32_t(buffer.size()), &length, text, bytes, 0xFFFD,
                         nullptr, &status);
    if (U_FAILURE(status))
        return {};
    return std::u16string_view(buffer.data(), size_t(length));
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

// A statement's pattern, parsed once and kept by SQLite with the statement while the pattern
// argument stays the same (a LIKE of the guest search is called for every row of the table).
struct CompiledPattern
{
    std::string source; // as SQLite holds it, UTF-8
    int escape;
    std::vector<PatternItem> items;
    Matcher matcher;
    // For the shape a search sends, '%' literals '%' literals ... '%': each run of literals'
    // classes, looked for in order, each after the one before (the first place each is found
    // is as good as any; trailing blanks change nothing under a final '%'). Empty otherwise.
    std::vector<std::vector<uint32_t>> runs;

    void prepare()
    {
        matcher.prepare(items);
        if (items.size() < 3 || items.front().kind != PatternItem::AnyRun || items.back().kind != PatternItem::AnyRun)
            return;
        for (size_t i = 1; i < items.size(); ++i) {
            if (items[i].kind == PatternItem::AnyRun) {
                continue;
            } else if (items[i].kind != PatternItem::Literal) {
                runs.clear();
                return;
            }
            if (items[i - 1].kind == PatternItem::AnyRun)
                runs.emplace_back();
            runs.back().push_back(items[i].characterClass);
        }
    }

    bool runsFoundInOrder(const std::vector<uint32_t> &classes) const
    {
        auto from = classes.begin();
        for (const std::vector<uint32_t> &run : runs) {
            from = std::search(from, classes.end(), run.begin(), run.end());
            if (from == classes.end())
                return false;
            from += std::ptrdiff_t(run.size());
        }
        return true;
    }
};

void like(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return sqlite3_result_null(context);
    thread_local std::u16string buffer;
    int escape = -1;
    if (argc == 3) {
        const std::u16string_view e = utf16View(argv[2], buffer);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.front();
    }
    const std::string_view source(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                  size_t(sqlite3_value_bytes(argv[0])));
    const auto compile = [&] {
        auto made = std::make_unique<CompiledPattern>(CompiledPattern{
            std::string(source), escape, parsePattern(std::u16string(utf16View(argv[0], buffer)), escape),
            Matcher(static_cast<const UCollator *>(sqlite3_user_data(context)))});
        made->prepare();
        return made;
    };
    std::unique_ptr<CompiledPattern> ownCopy;
    auto *compiled = static_cast<CompiledPattern *>(sqlite3_get_auxdata(context, 0));
    if (!compiled || compiled->escape != escape || compiled->source != source) {
        CompiledPattern *kept = compile().release();
        sqlite3_set_auxdata(context, 0, kept, [](void *p) { delete static_cast<CompiledPattern *>(p); });
        compiled = static_cast<CompiledPattern *>(sqlite3_get_auxdata(context, 0));
        // A pattern that is not the same for every row (a column) is not kept: SQLite has
        // freed it already, and this row parses its own.
        if (compiled != kept) {
            ownCopy = compile();
            compiled = ownCopy.get();
        }
    }
    thread_local std::vector<uint32_t> classes;
    classes.clear();
    if (!compiled->runs.empty()) {
        // Straight from SQLite's UTF-8 to the classes of its UTF-16 units.
        const auto *bytes = reinterpret_cast<const uint8_t *>(sqlite3_value_text(argv[1]));
        const int32_t length = sqlite3_value_bytes(argv[1]);
        for (int32_t i = 0; bytes && i < length;) {
            UChar32 c;
            U8_NEXT_OR_FFFD(bytes, i, length, c);
            if (c <= 0xFFFF) {
                classes.push_back(compiled->matcher.classOf(UChar(c)));
            } else {
                classes.push_back(compiled->matcher.classOf(U16_LEAD(c)));
                classes.push_back(compiled->matcher.classOf(U16_TRAIL(c)));
            }
        }
        return sqlite3_result_int(context, compiled->runsFoundInOrder(classes) ? 1 : 0);
    }
    const std::u16string_view text = utf16View(argv[1], buffer);
    for (const char16_t unit : text)
        classes.push_back(compiled->matcher.classOf(UChar(unit)));
    // The text's trailing blanks do not count: try it with each number of them.
    size_t shortest = text.size();
    while (shortest > 0 && text[shortest - 1] == u' ')
        --shortest;
    bool found = false;
    for (size_t length = text.size(); !found && length + 1 > shortest; --length) {
        found = compiled->matcher.matches(compiled->items, text, classes, length);
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
        const int rc = sqlite3_create_function_v2(db, name, argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, collator, like,
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
