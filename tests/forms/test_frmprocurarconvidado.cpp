// The "Procurar Convidado" window on a real check-in database, as the operator uses it.
#include "forms/frmprocurarconvidado.h"
#include "tests/data/databasefixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

using Role = DatabaseFixture::Role;

class ProcurarConvidadoTest : public DeskDatabaseFixture
{
protected:
    void SetUp() override
    {
        DeskDatabaseFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        TestSupport::clearErrorReports();
        m_window = new frmProcurarConvidado;
        m_chosen = std::make_unique<QSignalSpy>(m_window.data(), &frmProcurarConvidado::guestChosen);
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
        m_window->searchBox()->setFocus();
    }
    void TearDown() override
    {
        delete m_window.data();
        DeskDatabaseFixture::TearDown();
    }

    QLineEdit *box() const { return m_window->searchBox(); }
    QTreeWidget *list() const { return m_window->guestList(); }

    // Types text and waits until the list read for it is on show.
    bool typeAndWait(const QString &text)
    {
        QTest::keyClicks(box(), text);
        return QTest::qWaitFor([&] { return m_window && m_window->listedText() == box()->text(); }, 10000);
    }

    int currentRow() const { return list()->indexOfTopLevelItem(list()->currentItem()); }

    QPointer<frmProcurarConvidado> m_window;
    std::unique_ptr<QSignalSpy> m_chosen;
};

TEST_P(ProcurarConvidadoTest, ArrowsMoveTheSelectionWhileTheFocusStaysInTheBoxAndEnterChooses)
{
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Procurar Convidado"));
    ASSERT_TRUE(typeAndWait(QStringLiteral("ar")));
    ASSERT_EQ(list()->topLevelItemCount(), 2); // Artur Reis, Carla Dias
    EXPECT_EQ(list()->headerItem()->text(0), QStringLiteral("Nº Convite"));
    EXPECT_EQ(currentRow(), 0);

    const struct
    {
        Qt::Key key;
        int row;
    } moves[] = {{Qt::Key_Down, 1}, {Qt::Key_Down, 1}, {Qt::Key_Up, 0}, {Qt::Key_PageDown, 1}};
    for (const auto &m : moves) {
        QTest::keyClick(box(), m.key);
        EXPECT_EQ(currentRow(), m.row) << m.key;
        EXPECT_EQ(QApplication::focusWidget(), box());
        EXPECT_EQ(box()->text(), QStringLiteral("ar"));
    }

    QTest::keyClick(box(), Qt::Key_Return);
    ASSERT_EQ(m_chosen->count(), 1);
    EXPECT_EQ(m_chosen->at(0).at(0).toString(), QStringLiteral("4713"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_window.isNull(); })); // closed and deleted
}

TEST_P(ProcurarConvidadoTest, DoubleClickChoosesTheRowAndEscChangesNothing)
{
    ASSERT_TRUE(typeAndWait(QStringLiteral("bruno")));
    ASSERT_EQ(list()->topLevelItemCount(), 1);
    QCoreApplication::processEvents(); // the list lays its rows out
    const QRect row = list()->visualItemRect(list()->topLevelItem(0));
    ASSERT_FALSE(row.isEmpty());
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(m_chosen->count(), 1);
    EXPECT_EQ(m_chosen->at(0).at(0).toString(), QStringLiteral("4712"));

    auto *again = new frmProcurarConvidado;
    QSignalSpy chosen(again, &frmProcurarConvidado::guestChosen);
    QPointer<frmProcurarConvidado> guard(again);
    again->show();
    QTest::keyClicks(again->searchBox(), QStringLiteral("bruno"));
    QTest::keyClick(again->searchBox(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(chosen.count(), 0);
}

TEST_P(ProcurarConvidadoTest, ShortTextListsNothingAndMoreThanFiftySaysThereAreMore)
{
    ConnectionRef c = open(Role::CheckIn);
    for (int i = 0; i < 55; ++i)
        c->Execute(QStringLiteral("INSERT INTO tbConvites VALUES (%1, '%2', NULL, NULL, 'Convidado %3', NULL, 1, NULL)")
                       .arg(100 + i)
                       .arg(9000 + i)
                       .arg(i, 2, 10, QLatin1Char('0')));
    ASSERT_TRUE(typeAndWait(QStringLiteral("convidado")));
    EXPECT_EQ(list()->topLevelItemCount(), 50);
    EXPECT_TRUE(m_window->statusLabel()->text().startsWith(QStringLiteral("Há mais de 50 convites")));

    box()->clear();
    QTest::keyClicks(box(), QStringLiteral("c"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list()->topLevelItemCount() == 0; }));
    QTest::keyClick(box(), Qt::Key_Return);
    EXPECT_EQ(m_chosen->count(), 0);
}

TEST_P(ProcurarConvidadoTest, AFailingQueryShowsItsMessageInTheWindowAndIsReported)
{
    run(Role::CheckIn, {"DROP TABLE tbConvites"});
    QTest::keyClicks(box(), QStringLiteral("ana"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_window->statusLabel()->text().startsWith(QStringLiteral("Erro na procura: ")); }, 10000));
    EXPECT_TRUE(m_window->statusLabel()->text().contains(QStringLiteral("tbConvites")));
    const auto reports = TestSupport::errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].value(QStringLiteral("source")).toString(), QStringLiteral("frmProcurarConvidado"));
    EXPECT_TRUE(m_window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Databases, ProcurarConvidadoTest, ::testing::Values("Embedded", "SqlServer"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

} // namespace
