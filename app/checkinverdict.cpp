#include "app/checkinverdict.h"

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
