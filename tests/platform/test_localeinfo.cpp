#include "platform/localeinfo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Runs this test program again under another process locale and returns the separators
// that its LocaleInfo reports ("<decimal>|<thousands>").
QString separatorsUnder(const QString &locale)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LC_NUMERIC"));
    env.remove(QStringLiteral("LANG"));
    env.insert(QStringLiteral("LC_ALL"), locale);
    env.insert(QStringLiteral("QUORVET_LOCALE_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=LocaleInfoChild.*")});
    if (!child.waitForFinished(60000))
        return QStringLiteral("timeout");
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const int start = out.indexOf(QStringLiteral("SEPARATORS["));
    const int end = out.indexOf(QStringLiteral("]SEPARATORS"));
    if (start < 0 || end < 0)
        return QStringLiteral("no answer: ") + out;
    return out.mid(start + 11, end - start - 11);
}

TEST(LocaleInfoChild, PrintsTheSeparators)
{
    if (qEnvironmentVariableIsEmpty("QUORVET_LOCALE_CHILD"))
        GTEST_SKIP() << "runs only as the child of ProcessLocaleDecides";
    const QString s = QStringLiteral("SEPARATORS[%1|%2]SEPARATORS\n")
                          .arg(LocaleInfo::decimalSeparator(), LocaleInfo::thousandsSeparator());
    std::fputs(s.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

TEST(LocaleInfo, ProcessLocaleDecides)
{
    EXPECT_EQ(separatorsUnder(QStringLiteral("C")), QStringLiteral(".|,"));
    EXPECT_EQ(separatorsUnder(QStringLiteral("POSIX")), QStringLiteral(".|,"));
    EXPECT_EQ(separatorsUnder(QStringLiteral("de_DE.UTF-8")), QStringLiteral(",|."));
    EXPECT_EQ(separatorsUnder(QStringLiteral("en_US.UTF-8")), QStringLiteral(".|,"));
    EXPECT_TRUE(separatorsUnder(QStringLiteral("pt_PT.UTF-8")).startsWith(QStringLiteral(",|")));
}

TEST(LocaleInfo, OverrideReplacesTheSystemUntilCleared)
{
    const QString systemDecimal = LocaleInfo::decimalSeparator();
    const QString systemThousands = LocaleInfo::thousandsSeparator();
    LocaleInfo::setOverride(QStringLiteral(","), QStringLiteral("."));
    EXPECT_TRUE(LocaleInfo::hasOverride());
    EXPECT_EQ(LocaleInfo::decimalSeparator(), QStringLiteral(","));
    EXPECT_EQ(LocaleInfo::thousandsSeparator(), QStringLiteral("."));
    LocaleInfo::setOverride(QStringLiteral("."), QString());
    EXPECT_EQ(LocaleInfo::thousandsSeparator(), QString());
    LocaleInfo::clearOverride();
    EXPECT_FALSE(LocaleInfo::hasOverride());
    EXPECT_EQ(LocaleInfo::decimalSeparator(), systemDecimal);
    EXPECT_EQ(LocaleInfo::thousandsSeparator(), systemThousands);
}

} // namespace
