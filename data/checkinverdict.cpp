#include "data/checkinverdict.h"

#include "data/displayformat.h"

CheckinVerdict CheckinVerdict::notFound()
{
    return CheckinVerdict{NotFound, QString(), QString(), false};
}

CheckinVerdict CheckinVerdict::forInvitation(bool member, const Value &entryTime, const QString &callSign)
{
    if (hasEntryTime(entryTime))
        return CheckinVerdict{Refused, expiredText(entryTime), QString(), false};
    return CheckinVerdict{Accepted, QString(), member ? QString() : callSign, true};
}

CheckinVerdict CheckinVerdict::enteredElsewhere(const Value &entryTime)
{
    return CheckinVerdict{Refused, expiredText(entryTime), QString(), false};
}

CheckinVerdict CheckinVerdict::failure(const QString &description)
{
    return CheckinVerdict{Refused, QStringLiteral("Erro no procedimento: ") + description, QString(), false};
}

CheckinVerdict CheckinVerdict::offline(const CheckinVerdict &verdict)
{
    CheckinVerdict decided = verdict;
    decided.text = verdict.shownText() + QStringLiteral(" (sem ligação)");
    decided.callSign.clear();
    return decided;
}

QString CheckinVerdict::shownText() const
{
    if (!text.isEmpty())
        return text;
    const QString standard = standardText(kind);
    if (standard.isEmpty() || callSign.isEmpty())
        return standard;
    return standard + QStringLiteral(" (CALL: ") + callSign + QLatin1Char(')');
}

QString CheckinVerdict::standardText(Kind kind)
{
    switch (kind) {
    case Accepted: return QStringLiteral("Convite OK!");
    case NotFound: return QStringLiteral("O convite não existe...");
    case Refused: return QStringLiteral("O convite não é válido!");
    default: return QString();
    }
}

QString CheckinVerdict::expiredText(const Value &entryTime)
{
    return QStringLiteral("Convite expirado. Já entrou às ")
           + DisplayFormat::format(entryTime, DisplayFormat::hourMinutePattern());
}

QString CheckinVerdict::connectFailedText()
{
    return QStringLiteral("Não foi possivel ligar a um dos servidores! Volte a tentar s.f.f.");
}

bool CheckinVerdict::hasEntryTime(const Value &entryTime)
{
    if (entryTime.isNull() || entryTime.isEmpty())
        return false;
    return entryTime != Value::zeroDate();
}
