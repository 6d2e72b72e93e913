#pragma once

#include "data/value.h"

#include <QString>

#include <cstdint>

// What the desk shows for one invitation and whether it writes the entry time: the kind
// given to ShowMessage (its numbers are ShowMessage's msgTipo), its replacement text
// and call sign, and whether the accepting update is to be sent. Plain values; the
// functions never fail (an entry time that is no date is written as its own text).
struct CheckinVerdict
{
    enum Kind : int32_t { NoVerdict = 0, Accepted = 1, NotFound = 2, Refused = 3 };
    Kind kind = NoVerdict;
    QString text;
    QString callSign;
    bool writeEntry = false;

    // No tbConvites row for the number.
    static CheckinVerdict notFound();
    // A found invitation: refused when it carries an entry time (nothing written), else
    // accepted with the entry to write; only a guest without a member record keeps the call sign.
    static CheckinVerdict forInvitation(bool member, const Value &entryTime, const QString &callSign);
    // The accepting update changed no row: another desk wrote entryTime first.
    static CheckinVerdict enteredElsewhere(const Value &entryTime);
    // A run-time failure during the check-in.
    static CheckinVerdict failure(const QString &description);
    // The same verdict decided from the desk's local copy, without the server: the whole text
    // the desk would show, followed by " (sem ligação)" (the call sign goes into the text).
    static CheckinVerdict offline(const CheckinVerdict &verdict);

    // The text the verdict label shows: the replacement text, else the kind's standard text
    // with " (CALL: X1)" when there is a call sign; empty for NoVerdict.
    QString shownText() const;
    // The verdict labels' standard texts: "Convite OK!", "O convite não existe...",
    // "O convite não é válido!".
    static QString standardText(Kind kind);

    // "Convite expirado. Já entrou às " and the time as "Hh:Nn".
    static QString expiredText(const Value &entryTime);
    // What the desk says when a server cannot be reached: "Não foi possivel ligar a um dos
    // servidores! Volte a tentar s.f.f.".
    static QString connectFailedText();
    // Whether an entry time is set: neither Null/Empty nor the zero date-time.
    static bool hasEntryTime(const Value &entryTime);
};
