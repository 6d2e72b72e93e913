// The embedded store: opening without ever creating files, GETDATE() text, literals that
// survive the T-SQL translation (however many escaped apostrophes), two desks sharing
// one file, and a WAL that stays bounded through a day of entries.
#include "tests/data/databasefixture.h"

#include "data/datetext.h"
#include "data/dberror.h"
#include "data/modcode.h"
#include "data/sessionpool.h"
#include "data/walcheckpointer.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <thread>

namespace {

class EmbeddedStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(TestSupport::createEmptyDatabase(path(QStringLiteral("desk.db"))));
        m_conn = connect(QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("desk.db")));
        m_conn->Execute(QStringLiteral("CREATE TABLE tbConvites (convite_id INT PRIMARY KEY, nome NVARCHAR(100), "
                                       "checked_in DATETIME NULL)"));
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static ConnectionRef connect(const QString &connectionString)
    {
        auto c = std::make_shared<Connection>();
        c->Open(connectionString);
        return c;
    }

    // Every row's value of one column, in the order the statement returns them.
    QList<Value> column(const QString &sql) const
    {
        QList<Value> values;
        for (RecordsetRef rs = m_conn->Execute(sql); !rs->Eof(); rs->MoveNext())
            values << rs->Fields(0).Value();
        return values;
    }

    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/store-XXXXXX")};
    ConnectionRef m_conn;
};

TEST_F(EmbeddedStore, MissingFilesFailToOpenAndAreNeverCreated)
{
    const QString missing = path(QStringLiteral("nao-existe.db"));
    auto conn = std::make_shared<Connection>();
    const RuntimeError e = raisedBy([&] { conn->Open(QStringLiteral("Provider=SQLite;Data Source=") + missing); });
    EXPECT_EQ(e.number(), AdoError::OpenFailed);
    EXPECT_TRUE(e.description().contains(missing)) << e.description().toStdString();
    EXPECT_EQ(conn->State(), 0);
    EXPECT_EQ(conn->Errors().Count(), 1);
    EXPECT_FALSE(QFileInfo::exists(missing));

    const QString missingAttach = path(QStringLiteral("anexo.db"));
    const RuntimeError a = raisedBy([&] {
        conn->Open(QStringLiteral("Provider=SQLite;Data Source=%1;Attach=%2")
                       .arg(path(QStringLiteral("desk.db")), missingAttach));
    });
    EXPECT_EQ(a.number(), AdoError::OpenFailed);
    EXPECT_EQ(conn->State(), 0);
    EXPECT_FALSE(QFileInfo::exists(missingAttach));

    // A file that is no database is no server either.
    QFile junk(path(QStringLiteral("junk.db")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    EXPECT_EQ(raisedBy([&] { conn->Open(QStringLiteral("Provider=SQLite;Data Source=") + junk.fileName()); }).number(),
              AdoError::OpenFailed);
    EXPECT_EQ(conn->State(), 0);

    EXPECT_EQ(raisedBy([&] { conn->Open(QStringLiteral("Provider=Jet;Data Source=x")); }).number(),
              AdoError::ProviderNotFound);
}

// A file cut short (even to nothing) or with another header is refused, as main file or
// attached, and stays exactly as it was: SQLite alone would make it a new database.
TEST_F(EmbeddedStore, FilesThatAreNoDatabaseAreRefusedAndLeftAlone)
{
    const QByteArray header("SQLite format 3\0", 16);
    const QByteArray contents[] = {QByteArray(), header, header + QByteArray(83, '\0'),
                                   QByteArray("SQLite format 2\0") + QByteArray(84, '\0')};
    for (const QByteArray &content : contents) {
        SCOPED_TRACE(content.size());
        const QString file = path(QStringLiteral("cut.db"));
        QFile cut(file);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(content);
        cut.close();
        auto conn = std::make_shared<Connection>();
        for (const QString &text :
             {QStringLiteral("Provider=SQLite;Data Source=") + file,
              QStringLiteral("Provider=SQLite;Data Source=%1;Attach=%2").arg(path(QStringLiteral("desk.db")), file)}) {
            const RuntimeError e = raisedBy([&] { conn->Open(text); });
            EXPECT_EQ(e.number(), AdoError::OpenFailed);
            EXPECT_TRUE(e.description().contains(file)) << e.description().toStdString();
            EXPECT_EQ(conn->State(), 0);
        }
        ASSERT_TRUE(cut.open(QIODevice::ReadOnly));
        EXPECT_EQ(cut.readAll(), content);
    }
}

TEST_F(EmbeddedStore, APooledSessionIsNotHandedOutOnceItsFileIsGone)
{
    const QString file = path(QStringLiteral("pool.db"));
    const QString text = QStringLiteral("Provider=SQLite;Data Source=") + file;
    ASSERT_TRUE(TestSupport::createEmptyDatabase(file));
    connect(text)->Execute(QStringLiteral("CREATE TABLE t (nome NVARCHAR(20))"));
    ASSERT_GT(SessionPool::idleCount(), 0); // the session went back to the pool

    // Refused as at any other open, however usable the idle session on the deleted file still is.
    ASSERT_TRUE(QFile::remove(file));
    auto conn = std::make_shared<Connection>();
    EXPECT_EQ(raisedBy([&] { conn->Open(text); }).number(), AdoError::OpenFailed);
    EXPECT_EQ(conn->State(), 0);
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST_F(EmbeddedStore, GetDateWritesMillisecondTextThatReadsAsADateAndSorts)
{
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (1, 'passado', CONVERT(DATETIME,'1999-12-31',102))"));
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (2, 'agora', GETDATE())"));
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (3, 'futuro', '2999-01-01 00:00:00')"));

    const QList<Value> stored = column(
        QStringLiteral("SELECT CAST(checked_in AS TEXT) FROM tbConvites WHERE convite_id = 2"));
    ASSERT_EQ(stored.size(), 1);
    ASSERT_TRUE(stored[0].isString()); // an expression has no declared type: the raw text
    // To the DATETIME tick, as SQL Server's GETDATE(): milliseconds end in 0, 3 or 7.
    const QRegularExpression format(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{2}[037]$"));
    EXPECT_TRUE(format.match(stored[0].stringValue()).hasMatch()) << stored[0].stringValue().toStdString();

    const QList<Value> dates = column(QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_id = 2"));
    ASSERT_EQ(dates.size(), 1);
    ASSERT_TRUE(dates[0].isDateValue());
    EXPECT_EQ(dates[0].timeValue().toString(QStringLiteral("HH:mm:ss.zzz")), stored[0].stringValue().mid(11));

    EXPECT_EQ(column(QStringLiteral("SELECT nome FROM tbConvites ORDER BY checked_in")),
              (QList<Value>{Value("passado"), Value("agora"), Value("futuro")}));
    EXPECT_EQ(column(QStringLiteral("SELECT checked_in FROM tbConvites WHERE convite_id = 1")),
              (QList<Value>{Value::date(QDate(1999, 12, 31))}));
}

// A DATETIME keeps 1/300 s: the desk shows an entry stored at 14:59:59.999 as 15:00, as the
// server keeps it, so the store must keep it so too.
TEST(DatetimeText, RoundsToTheServersTick)
{
    const struct
    {
        QTime time;
        const char *text;
    } cases[] = {
        {QTime(14, 59, 59, 999), "2026-12-09 15:00:00.000"}, {QTime(23, 59, 59, 999), "2026-12-10 00:00:00.000"},
        {QTime(9, 0, 0, 1), "2026-12-09 09:00:00.000"},      {QTime(9, 0, 0, 2), "2026-12-09 09:00:00.003"},
        {QTime(9, 0, 0, 5), "2026-12-09 09:00:00.007"},      {QTime(9, 0, 0, 9), "2026-12-09 09:00:00.010"}};
    for (const auto &c : cases)
        EXPECT_EQ(DateText::datetimeText(QDateTime(QDate(2026, 12, 9), c.time)).toStdString(), c.text);
}

TEST_F(EmbeddedStore, LiteralsCommentsAndBracketsSurviveTheTranslation)
{
    const QStringList literals{
        QString(),
        QStringLiteral("-- não é comentário"),
        QStringLiteral("a; DROP TABLE tbConvites; --"),
        QStringLiteral("/* nem isto"),
        QStringLiteral("1 + 2"),
        QStringLiteral("SELECT TOP 5"),
        QStringLiteral("GETDATE()"),
        QStringLiteral("@@TRANCOUNT [x] \"y\""),
        QStringLiteral("CONVERT(DATETIME,'2026-01-02',102)"),
    };
    int id = 100;
    for (const QString &text : literals) {
        QString quoted = text;
        quoted.replace(QLatin1String("'"), QLatin1String("''"));
        SCOPED_TRACE(text.toStdString());
        int64_t affected = 0;
        m_conn->Execute(QStringLiteral("INSERT INTO [tbConvites] ([convite_id], nome) VALUES (%1, '%2') -- fim")
                            .arg(id)
                            .arg(quoted),
                        &affected);
        EXPECT_EQ(affected, 1);
        EXPECT_EQ(column(QStringLiteral("SELECT /* o nome */ nome FROM tbConvites WHERE convite_id = %1").arg(id)),
                  QList<Value>{Value(text)});
        EXPECT_EQ(column(QStringLiteral("SELECT convite_id FROM tbConvites WHERE nome = '%1'").arg(quoted)),
                  QList<Value>{Value(int32_t(id))});
        ++id;
    }
    // The desk's apostrophe escape, concatenated with columns and repeated (rows 108 and 200 hold one).
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites (convite_id, nome) VALUES (200, 'd' + CHAR(39) + 'ana' + "
                                   "CHAR(39) + 's')"));
    EXPECT_EQ(column(QStringLiteral("SELECT nome + '!' FROM tbConvites WHERE convite_id = 200")),
              QList<Value>{Value("d'ana's!")});
    EXPECT_EQ(column(QStringLiteral("SELECT convite_id + 1 FROM tbConvites WHERE convite_id = 200")),
              QList<Value>{Value(int32_t(201))});
    EXPECT_EQ(column(QStringLiteral("SELECT TOP 1 convite_id FROM tbConvites WHERE nome LIKE '%%' + CHAR(39) + "
                                    "'%%' ORDER BY convite_id DESC")),
              QList<Value>{Value(int32_t(200))});
}

// An entry of thousands of apostrophes, escaped by the desk as thousands of CHAR(39) joined
// by '+', still makes one statement the embedded store accepts and evaluates back to the text.
TEST_F(EmbeddedStore, ThousandsOfEscapedApostrophesEvaluateBackToTheText)
{
    for (const QString &text : {QString(5000, QLatin1Char('\'')), QStringLiteral("O'Neil; --").repeated(1500)}) {
        SCOPED_TRACE(text.left(20).toStdString());
        const QString literal = modCode::SQLValue(Value(text), 3);
        ASSERT_GE(literal.count(QStringLiteral("CHAR(39)")), 1500);
        QString quoted = text;
        quoted.replace(QLatin1String("'"), QLatin1String("''"));
        EXPECT_EQ(column(QStringLiteral("SELECT 'x' + ") + literal), QList<Value>{Value(QLatin1Char('x') + text)});
        EXPECT_EQ(column(QStringLiteral("SELECT 1 WHERE 'x' + ") + literal + QStringLiteral(" = 'x") + quoted
                         + QLatin1Char('\'')),
                  QList<Value>{Value(int32_t(1))});
        int64_t affected = 0;
        m_conn->Execute(QStringLiteral("INSERT INTO tbConvites (convite_id, nome) VALUES (300, ") + literal
                            + QLatin1Char(')'),
                        &affected);
        EXPECT_EQ(affected, 1);
        EXPECT_EQ(column(QStringLiteral("SELECT convite_id FROM tbConvites WHERE nome = ") + literal),
                  QList<Value>{Value(int32_t(300))});
        m_conn->Execute(QStringLiteral("DELETE FROM tbConvites WHERE convite_id = 300"));
    }
}

TEST_F(EmbeddedStore, UnqualifiedNamesAreFoundInAttachedFiles)
{
    QFile other(path(QStringLiteral("outra.db")));
    ASSERT_TRUE(TestSupport::createEmptyDatabase(other.fileName()));
    connect(QStringLiteral("Provider=SQLite;Data Source=") + other.fileName())
        ->Execute(QStringLiteral("CREATE TABLE tbDefs (arquivodocumental VARCHAR(200))"));
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (1, 'a', NULL)"));

    // Relative paths and blanks around the names are allowed.
    ConnectionRef both = connect(QStringLiteral("Provider = SQLite ; Data Source = \"%1\" ; Attach = %2 , ")
                                     .arg(path(QStringLiteral("outra.db")), path(QStringLiteral("desk.db"))));
    both->Execute(QStringLiteral("INSERT INTO tbDefs VALUES ('/srv/arquivo')"));
    RecordsetRef rs = both->Execute(QStringLiteral("SELECT nome, arquivodocumental FROM tbConvites, tbDefs"));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("nome").Value(), Value("a"));
    EXPECT_EQ(rs->Fields("arquivodocumental").Value(), Value("/srv/arquivo"));

    // A path in double quotes is one path, commas and all.
    const QString comma = path(QStringLiteral("a,b/x,y.db"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("a,b"))));
    ASSERT_TRUE(TestSupport::createEmptyDatabase(comma));
    connect(QStringLiteral("Provider=SQLite;Data Source=") + comma)
        ->Execute(QStringLiteral("CREATE TABLE tbVirgula (x INT)"));
    ConnectionRef quoted = connect(
        QStringLiteral("Provider=SQLite;Data Source=%1;Attach='\"%2\"'").arg(path(QStringLiteral("desk.db")), comma));
    EXPECT_TRUE(quoted->Execute(QStringLiteral("SELECT x FROM tbVirgula"))->Eof());
}

TEST_F(EmbeddedStore, TwoDesksOnOneFileCheckTheSameInvitationInOnce)
{
    m_conn->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (5, 'Ana', NULL)"));
    const QString desk = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("desk.db"));
    ConnectionRef first = connect(desk);
    ConnectionRef second = connect(desk);
    const QString checkIn = QStringLiteral(
        "UPDATE tbConvites SET checked_in = GETDATE() WHERE convite_id = 5 AND checked_in IS NULL");

    // Both desks at once, each on its own thread and connection.
    std::atomic<int> ready{0};
    int64_t a = -1, b = -1;
    std::atomic<int> failures{0};
    auto run = [&](ConnectionRef c, int64_t *affected) {
        ++ready;
        while (ready.load() < 2) {}
        try {
            c->Execute(checkIn, affected);
        } catch (...) {
            ++failures;
        }
    };
    std::thread t1(run, first, &a);
    std::thread t2(run, second, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(a + b, 1) << a << " and " << b;
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM tbConvites WHERE checked_in IS NOT NULL")),
              QList<Value>{Value(int32_t(1))});
}

TEST_F(EmbeddedStore, TheWalStaysBoundedThroughADayOfEntries)
{
    // Commits one after another, as check-ins are, writing several times the pages at which a
    // checkpoint is asked for: the WAL is checkpointed meanwhile (off the committing thread)
    // and written again from its start, instead of holding every page written.
    m_conn->Execute(QStringLiteral("CREATE TABLE tbNotas (nota_id INT PRIMARY KEY, texto NVARCHAR(4000))"));
    const QString text(3000, QLatin1Char('x'));
    const int commits = 800;
    const int rowsPerCommit = 8; // a page each
    const QFileInfo wal(path(QStringLiteral("desk.db-wal")));
    qint64 largest = 0;
    for (int c = 0; c < commits; ++c) {
        QStringList rows;
        for (int r = 0; r < rowsPerCommit; ++r)
            rows << QStringLiteral("(%1, '%2')").arg(c * rowsPerCommit + r).arg(text);
        m_conn->Execute(QStringLiteral("INSERT INTO tbNotas VALUES ") + rows.join(QLatin1Char(',')));
        largest = std::max(largest, QFileInfo(wal.filePath()).size());
    }
    const qint64 pageBytes = 4096;
    const qint64 written = qint64(commits) * rowsPerCommit * pageBytes;
    const qint64 bound = (WalCheckpointer::LaggingWalPages + WalCheckpointer::WalPages) * pageBytes;
    ASSERT_GT(written, 2 * bound);
    EXPECT_LT(largest, bound) << "of " << written << " bytes written";
    // Every commit synced its WAL: an entry outlives a power cut.
    EXPECT_EQ(column(QStringLiteral("PRAGMA synchronous")), QList<Value>{Value(int32_t(2))});
}

} // namespace
