#include "data/deskjournal.h"
#include "data/journalformat.h"
#include "data/scanjournal.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

JournalEntry entry(const QString &time, const QString &typed, const QString &verdict,
                   std::optional<int64_t> conviteId = std::nullopt, const QString &entryTime = QString())
{
    return JournalEntry{time, QStringLiteral("desk-1"), typed, verdict, conviteId, entryTime};
}

// Entries as a scanner or a keyboard can leave them, with the CSV field each must become.
const struct
{
    const char *name;
    QString typed;
    QString csvField;
} TypedEntries[] = {
    {"plain", QStringLiteral("1001"), QStringLiteral("1001")},
    {"quotes", QStringLiteral("10\"01\""), QStringLiteral("\"10\"\"01\"\"\"")},
    {"comma", QStringLiteral("10,01"), QStringLiteral("\"10,01\"")},
    {"line breaks", QStringLiteral("10\r\n01\n"), QStringLiteral("\"10\r\n01\n\"")},
    {"control characters",
     QStringLiteral("1\x01"
                    "0\x1b"),
     QStringLiteral("\"1\x01"
                    "0\x1b\"")},
    // A cell a spreadsheet would run as a formula is written as text; JSON keeps it exact.
    {"formula", QStringLiteral("=HYPERLINK(\"http://x\")"), QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\")\"")},
    {"at sign", QStringLiteral("@SUM(A1)"), QStringLiteral("'@SUM(A1)")},
    {"plus", QStringLiteral("+1001"), QStringLiteral("'+1001")},
    {"minus", QStringLiteral("-1001"), QStringLiteral("'-1001")},
    {"leading tab", QStringLiteral("\t1001"), QStringLiteral("\"'\t1001\"")},
    {"leading carriage return", QStringLiteral("\r1001"), QStringLiteral("\"'\r1001\"")},
    {"accents and apostrophe", QStringLiteral(" d'Ávila  "), QStringLiteral(" d'Ávila  ")},
};

class DeskJournalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        TestSupport::clearErrorReports();
    }

    QString path() const { return m_dir.filePath(QStringLiteral("state/quorvet/journal.db")); }

    QTemporaryDir m_dir;
};

TEST_F(DeskJournalTest, EveryEntryComesBackAsWrittenAndPrintsAsValidCsvAndJson)
{
    DeskJournal journal(path());
    for (const auto &t : TypedEntries)
        ASSERT_TRUE(journal.append(entry(QStringLiteral("2026-12-08T09:05:01.250"), t.typed, QStringLiteral("used"),
                                         4711, QStringLiteral("2026-12-08T09:00:00"))))
            << journal.lastError().toStdString();

    QString error;
    const auto read = DeskJournal::read(path(), QString(), &error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->size(), std::size(TypedEntries));
    for (size_t i = 0; i < read->size(); ++i) {
        const auto &t = TypedEntries[i];
        const JournalEntry &e = (*read)[i];
        EXPECT_EQ(e.entry, t.typed) << t.name;
        EXPECT_EQ(JournalFormat::csvLine(e), QStringLiteral("2026-12-08T09:05:01.250,desk-1,") + t.csvField
                                                 + QStringLiteral(",used,4711,2026-12-08T09:00:00\r\n"))
            << t.name;

        const QByteArray json = JournalFormat::jsonLine(e);
        ASSERT_TRUE(json.endsWith('\n'));
        EXPECT_EQ(json.count('\n'), 1) << t.name; // one line whatever the entry holds
        QJsonParseError parseError;
        const QJsonObject o = QJsonDocument::fromJson(json, &parseError).object();
        ASSERT_EQ(parseError.error, QJsonParseError::NoError) << t.name;
        EXPECT_EQ(o.value(QStringLiteral("entry")).toString(), t.typed) << t.name;
        EXPECT_EQ(o.value(QStringLiteral("convite_id")).toInteger(), 4711);
        EXPECT_EQ(o.value(QStringLiteral("entry_time")).toString(), QStringLiteral("2026-12-08T09:00:00"));
    }
}

TEST_F(DeskJournalTest, UnknownIdAndTimeAreEmptyInCsvAndNullInJson)
{
    const JournalEntry e = entry(QStringLiteral("2026-12-08T09:05:01.250"), QStringLiteral("42"),
                                 QStringLiteral("not_found"));
    EXPECT_EQ(JournalFormat::csvLine(e), QStringLiteral("2026-12-08T09:05:01.250,desk-1,42,not_found,,\r\n"));
    const QJsonObject o = QJsonDocument::fromJson(JournalFormat::jsonLine(e)).object();
    EXPECT_TRUE(o.value(QStringLiteral("convite_id")).isNull());
    EXPECT_TRUE(o.value(QStringLiteral("entry_time")).isNull());
}

TEST_F(DeskJournalTest, ReadingStartsAtTheGivenDayOrMinute)
{
    DeskJournal journal(path());
    for (const char *time :
         {"2026-12-07T23:59:59.999", "2026-12-08T00:00:00.000", "2026-12-08T14:29:59.999", "2026-12-08T14:30:00.000"})
        ASSERT_TRUE(journal.append(entry(QLatin1String(time), QStringLiteral("1"), QStringLiteral("accepted"))));
    const struct
    {
        const char *since;
        size_t count;
    } cases[] = {{"", 4}, {"2026-12-08", 3}, {"2026-12-08T14:30", 1}, {"2026-12-09", 0}};
    for (const auto &c : cases) {
        const auto read = DeskJournal::read(path(), QLatin1String(c.since), nullptr);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->size(), c.count) << c.since;
    }
}

TEST_F(DeskJournalTest, AJournalThatCannotBeWrittenIsReportedOnceUntilItWorksAgain)
{
    // A file where the journal's folder should be: nothing can be created there.
    const QString blocker = m_dir.filePath(QStringLiteral("blocked"));
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString journalPath = blocker + QStringLiteral("/journal.db");

    ScanJournal scans(journalPath);
    for (int i = 0; i < 3; ++i)
        scans.record(QStringLiteral("1001"), QStringLiteral("accepted"), 1, Value());
    ASSERT_EQ(TestSupport::errorReports().size(), 1);
    EXPECT_EQ(TestSupport::errorReports()[0].value(QStringLiteral("source")).toString(), QStringLiteral("ScanJournal"));

    // Once the folder can be made, the next scan is written and nothing more is reported.
    ASSERT_TRUE(QFile::remove(blocker));
    scans.record(QStringLiteral("1002"), QStringLiteral("accepted"), 2, Value());
    const auto read = DeskJournal::read(journalPath, QString(), nullptr);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 1u);
    EXPECT_EQ(read->at(0).entry, QStringLiteral("1002"));
    EXPECT_EQ(TestSupport::errorReports().size(), 1);
}

TEST_F(DeskJournalTest, AnUndoCarriesTheEntryTimeItCleared)
{
    ScanJournal scans(path());
    scans.record(QStringLiteral("1001"), QStringLiteral("accepted"), 7,
                 Value::date(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 3))));
    scans.record(QStringLiteral("1001"), QStringLiteral("undone"), 7, Value());
    const auto read = DeskJournal::read(path(), QString(), nullptr);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ(read->at(1).verdict, QStringLiteral("undone"));
    EXPECT_EQ(read->at(1).entryTime, QStringLiteral("2026-12-08T09:05:03"));
    EXPECT_FALSE(read->at(1).desk.isEmpty());
}

#ifdef QUORVET_JOURNAL_TOOL
// Runs quorvet-journal; returns its exit code.
int runTool(const QStringList &arguments, QByteArray *out, QByteArray *err)
{
    QProcess process;
    process.start(QStringLiteral(QUORVET_JOURNAL_TOOL), arguments);
    if (!process.waitForFinished(60000))
        return -2;
    *out = process.readAllStandardOutput();
    *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

TEST_F(DeskJournalTest, ToolPrintsTheJournalAsCsvOrJsonLines)
{
    DeskJournal journal(path());
    ASSERT_TRUE(journal.append(entry(QStringLiteral("2026-12-07T10:00:00.000"), QStringLiteral("1"),
                                     QStringLiteral("accepted"), 1, QStringLiteral("2026-12-07T10:00:00"))));
    ASSERT_TRUE(journal.append(
        entry(QStringLiteral("2026-12-08T10:00:00.000"), QStringLiteral("a\"b,\nc"), QStringLiteral("not_found"))));
    ASSERT_TRUE(
        journal.append(entry(QStringLiteral("2026-12-08T10:01:00.000"), QStringLiteral("2"),
                             QStringLiteral("accepted_offline"), 2, QStringLiteral("2026-12-08T10:01:02.500"))));
    ASSERT_TRUE(
        journal.append(entry(QStringLiteral("2026-12-08T10:05:00.000"), QStringLiteral("2"), QStringLiteral("conflict"),
                             2, QStringLiteral("2026-12-08T10:01:02.500/2026-12-08T09:58:00.000"))));
    QByteArray out, err;
    ASSERT_EQ(runTool({QStringLiteral("--csv"), QStringLiteral("--journal"), path()}, &out, &err), 0)
        << err.constData();
    EXPECT_EQ(out, QByteArray("time,desk,entry,verdict,convite_id,entry_time\r\n"
                              "2026-12-07T10:00:00.000,desk-1,1,accepted,1,2026-12-07T10:00:00\r\n"
                              "2026-12-08T10:00:00.000,desk-1,\"a\"\"b,\nc\",not_found,,\r\n"
                              "2026-12-08T10:01:00.000,desk-1,2,accepted_offline,2,2026-12-08T10:01:02.500\r\n"
                              "2026-12-08T10:05:00.000,desk-1,2,conflict,2,"
                              "2026-12-08T10:01:02.500/2026-12-08T09:58:00.000\r\n"));

    ASSERT_EQ(runTool({QStringLiteral("--json"), QStringLiteral("--since"), QStringLiteral("2026-12-08"),
                       QStringLiteral("--journal"), path()},
                      &out, &err),
              0);
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 4); // three lines and the empty text after the last line feed
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value(QStringLiteral("entry")).toString(),
              QStringLiteral("a\"b,\nc"));
    EXPECT_EQ(QJsonDocument::fromJson(lines[2]).object().value(QStringLiteral("verdict")).toString(),
              QStringLiteral("conflict"));

    const struct
    {
        QStringList arguments;
        int exitCode;
    } refusals[] = {
        {{QStringLiteral("--since"), QStringLiteral("08-12-2026"), QStringLiteral("--journal"), path()}, 2},
        {{QStringLiteral("--journal"), m_dir.filePath(QStringLiteral("none.db"))}, 1},
    };
    for (const auto &r : refusals) {
        EXPECT_EQ(runTool(r.arguments, &out, &err), r.exitCode) << r.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(err.isEmpty());
    }
    ASSERT_EQ(runTool({QStringLiteral("--version")}, &out, &err), 0);
    EXPECT_TRUE(out.startsWith("quorvet-journal "));
}
#endif

} // namespace
