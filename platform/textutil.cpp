#include "platform/textutil.h"

#include <QList>

QString TextUtil::trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype end = text.size();
    while (first < end && text.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(first, end - first);
}

QString TextUtil::foldLookAlikes(const QString &text)
{
    // By code point, so that format characters beyond the BMP (the tag characters) go too.
    QList<uint> kept = text.normalized(QString::NormalizationForm_KC).toUcs4();
    kept.removeIf([](uint c) { return QChar::category(char32_t(c)) == QChar::Other_Format; });
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(kept.constData()), kept.size());
}
