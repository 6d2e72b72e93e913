#pragma once

// The constant string expressions of a T-SQL text and the texts they denote, for checking
// that a rewrite of SQL text (the T-SQL translator) never changes what a literal says. Used
// by a unit test and by a fuzz target, so it needs nothing but the data library.
//
// A chain is a run of closed literals, CHAR(n)/NCHAR(n) calls with n a plain decimal naming
// a character other than NUL or a surrogate, and CONVERT(DATETIME, '...'[, n]) calls, joined
// by '+' or '||'; each gives the text it denotes. N'...' loses its N; CONVERT(DATETIME,
// '...') of a date gives the normalised date text the translator writes for it. An unclosed
// literal is listed as "unclosed " and its text as written.
#include "data/tsqltranslator.h"

#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace TestSupport {

class LiteralChains
{
public:
    explicit LiteralChains(const QString &sql)
    {
        for (const TSqlTranslator::Token &t : TSqlTranslator::tokenize(sql))
            if (t.kind != TSqlTranslator::TokenKind::Space && t.kind != TSqlTranslator::TokenKind::Comment)
                m_tokens.push_back(t);
    }

    // The texts of the chains of the text, in the order they begin.
    QStringList texts() const
    {
        QStringList found;
        const int n = int(m_tokens.size());
        for (int k = 0; k < n; ++k) {
            QString text;
            int last = term(k, &text);
            if (last < 0) {
                if (m_tokens[size_t(k)].kind == TSqlTranslator::TokenKind::String && !closedString(k))
                    found << QStringLiteral("unclosed ") + withoutN(m_tokens[size_t(k)].text);
                continue;
            }
            QString chain = text;
            int next;
            while ((symbol(last + 1, "+") || symbol(last + 1, "||")) && (next = term(last + 2, &text)) >= 0) {
                chain += text;
                last = next;
            }
            found << chain;
            k = last;
        }
        return found;
    }

private:
    static QString withoutN(const QString &literal)
    {
        return literal.startsWith(QLatin1Char('N')) || literal.startsWith(QLatin1Char('n')) ? literal.mid(1) : literal;
    }

    // The text a closed literal denotes.
    static QString denoted(const QString &literal)
    {
        const QString quoted = withoutN(literal);
        return quoted.mid(1, quoted.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    }

    // The date text CONVERT(DATETIME, ...) stands for, when the literal reads as a date.
    static QString normalisedDate(const QString &literal)
    {
        static const QRegularExpression date(QStringLiteral(
            "^'(\\d{4})[-./](\\d{1,2})[-./](\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?)?'$"));
        const QRegularExpressionMatch m = date.match(withoutN(literal));
        if (!m.hasMatch())
            return denoted(literal);
        QString text = QStringLiteral("%1-%2-%3")
                           .arg(m.captured(1), m.captured(2).rightJustified(2, QLatin1Char('0')),
                                m.captured(3).rightJustified(2, QLatin1Char('0')));
        if (m.capturedLength(4) > 0) {
            text += QStringLiteral(" %1:%2:%3")
                        .arg(m.captured(4).rightJustified(2, QLatin1Char('0')), m.captured(5),
                             m.capturedLength(6) > 0 ? m.captured(6) : QStringLiteral("00"));
            if (m.capturedLength(7) > 0)
                text += QLatin1Char('.') + m.captured(7).leftJustified(3, QLatin1Char('0'));
        }
        return text;
    }

    bool symbol(int k, const char *text) const
    {
        return k >= 0 && k < int(m_tokens.size()) && m_tokens[size_t(k)].kind == TSqlTranslator::TokenKind::Symbol
               && m_tokens[size_t(k)].text == QLatin1String(text);
    }
    bool word(int k, const char *text) const
    {
        return k >= 0 && k < int(m_tokens.size()) && m_tokens[size_t(k)].kind == TSqlTranslator::TokenKind::Word
               && m_tokens[size_t(k)].text.compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
    }
    bool closedString(int k) const
    {
        return k >= 0 && k < int(m_tokens.size()) && m_tokens[size_t(k)].kind == TSqlTranslator::TokenKind::String
               && TSqlTranslator::isClosed(m_tokens[size_t(k)].text, QLatin1Char('\''));
    }

    // The last index of the term that starts at k, its text in *text; -1 when there is none.
    int term(int k, QString *text) const
    {
        if (closedString(k)) {
            *text = denoted(m_tokens[size_t(k)].text);
            return k;
        }
        if ((word(k, "CHAR") || word(k, "NCHAR")) && symbol(k + 1, "(") && symbol(k + 3, ")")) {
            static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
            QString number = m_tokens[size_t(k + 2)].text;
            if (m_tokens[size_t(k + 2)].kind != TSqlTranslator::TokenKind::Number || !digits.match(number).hasMatch())
                return -1;
            while (number.size() > 1 && number.front() == QLatin1Char('0'))
                number.remove(0, 1);
            const uint code = number.size() <= 7 ? number.toUInt() : 0;
            if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return -1;
            const char32_t ucs4 = code;
            *text = QString::fromUcs4(&ucs4, 1);
            return k + 3;
        }
        if (word(k, "CONVERT") && symbol(k + 1, "(") && word(k + 2, "DATETIME") && symbol(k + 3, ",")
            && closedString(k + 4)) {
            int close = -1;
            if (symbol(k + 5, ")"))
                close = k + 5;
            else if (symbol(k + 5, ",") && k + 6 < int(m_tokens.size())
                     && m_tokens[size_t(k + 6)].kind == TSqlTranslator::TokenKind::Number && symbol(k + 7, ")"))
                close = k + 7;
            if (close < 0)
                return -1;
            *text = normalisedDate(m_tokens[size_t(k + 4)].text);
            return close;
        }
        return -1;
    }

    std::vector<TSqlTranslator::Token> m_tokens;
};

} // namespace TestSupport
