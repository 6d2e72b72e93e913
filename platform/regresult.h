#pragma once

#include <QString>

// What a read of the registry store gives: the empty state (the key path named no known
// root), null (the key or the value could not be read) or a text, possibly the empty text.
// A plain value type; callers tell the three states apart with the predicates.
class RegResult
{
public:
    enum class State { Empty, Null, Text };

    RegResult() = default;

    static RegResult empty() { return RegResult(); }
    static RegResult null() { return RegResult(State::Null, QString()); }
    static RegResult text(const QString &text) { return RegResult(State::Text, text); }

    State state() const { return m_state; }
    bool isEmptyState() const { return m_state == State::Empty; }
    bool isNull() const { return m_state == State::Null; }
    bool isText() const { return m_state == State::Text; }
    // The text of a Text result; the empty text for the other states.
    const QString &text() const { return m_text; }

    bool operator==(const RegResult &other) const { return m_state == other.m_state && m_text == other.m_text; }
    bool operator!=(const RegResult &other) const { return !(*this == other); }

private:
    RegResult(State state, const QString &text) : m_state(state), m_text(text) {}

    State m_state = State::Empty;
    QString m_text;
};
