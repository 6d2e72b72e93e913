// The photo control as the desk uses it: the real widget on the offscreen platform, a real
// SQLite member database and real image files in a temporary archive.
#include "idfotos/ucidfotos.h"
#include "tests/idfotos/photofixture.h"

#include <QRandomGenerator>

#include <cmath>

namespace {

bool isBackground(QRgb pixel)
{
    return QColor(pixel) == ucIDFotos::backgroundColor();
}

bool isPhotoRed(QRgb pixel)
{
    return qRed(pixel) > 180 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

} // namespace

class ucIDFotosTest : public PhotoFixture
{
protected:
    void SetUp() override
    {
        PhotoFixture::SetUp();
        m_control.resize(302, 202); // a 300 x 200 photo area inside the border
        m_control.setConnection(m_connection);
        m_control.setArchiveFolder(archive());
        m_control.show();
    }

    // The desk's call: contact id, false, and its connection passed along.
    void loadAsTheDesk(int32_t id)
    {
        ConnectionRef argument = m_connection;
        m_control.setContactID(id);
        EXPECT_NO_THROW(m_control.Load(id, false, &argument));
        EXPECT_EQ(argument.get(), m_connection.get());
    }

    void expectEmpty(const char *why)
    {
        SCOPED_TRACE(why);
        EXPECT_FALSE(m_control.hasPhoto());
        EXPECT_TRUE(m_control.photoPath().isEmpty());
        EXPECT_TRUE(m_control.decodedSize().isEmpty());
        // A plain area: every pixel inside the border is the background.
        const QImage shot = m_control.grab().toImage();
        int foreign = 0;
        for (int y = 1; y < shot.height() - 1; ++y)
            for (int x = 1; x < shot.width() - 1; ++x)
                foreign += isBackground(shot.pixel(x, y)) ? 0 : 1;
        EXPECT_EQ(foreign, 0);
    }

    // The photograph of file is on show, decoded no larger than the area, aspect ratio kept.
    void expectShown(const QString &file, const QSize &source)
    {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(m_control.hasPhoto());
        EXPECT_EQ(m_control.photoPath(), QFileInfo(file).canonicalFilePath());
        const QSize decoded = m_control.decodedSize();
        EXPECT_LE(decoded.width(), m_control.width() - 2);
        EXPECT_LE(decoded.height(), m_control.height() - 2);
        const double sourceRatio = double(source.width()) / source.height();
        EXPECT_NEAR(double(decoded.width()) / decoded.height(), sourceRatio, 0.02 * sourceRatio);

        const QImage shot = m_control.grab().toImage();
        EXPECT_TRUE(isPhotoRed(shot.pixel(shot.width() / 2, shot.height() / 2)));
    }

    ucIDFotos m_control;
};

TEST_F(ucIDFotosTest, ShowsJpegAndPngPhotographsFittedAndCentred)
{
    const QString jpeg = writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(400, 200), "JPG");
    const QString png = writeImage(QStringLiteral("fotos/ze/58.png"), QSize(80, 160), "PNG");
    addPhotoRow(57, QStringLiteral("fotos/ze/57.jpg"));
    addPhotoRow(58, QStringLiteral("fotos/ze/58.png"));

    loadAsTheDesk(57);
    expectShown(jpeg, QSize(400, 200));
    EXPECT_EQ(m_control.decodedSize(), QSize(300, 150)) << "decoded at the size of the area, not the file's";
    EXPECT_EQ(m_control.ContactID(), 57);
    // A wide photograph leaves bands of background above and below it.
    QImage shot = m_control.grab().toImage();
    EXPECT_TRUE(isBackground(shot.pixel(151, 10)));
    EXPECT_TRUE(isBackground(shot.pixel(151, 191)));

    // The small PNG is not enlarged when decoded, but drawn to fill the area's height.
    loadAsTheDesk(58);
    expectShown(png, QSize(80, 160));
    EXPECT_EQ(m_control.decodedSize(), QSize(80, 160));
    shot = m_control.grab().toImage();
    EXPECT_TRUE(isBackground(shot.pixel(10, 101)));
    EXPECT_TRUE(isBackground(shot.pixel(291, 101)));
    EXPECT_TRUE(isPhotoRed(shot.pixel(151, 30)));
}

TEST_F(ucIDFotosTest, StoredPathsWithBackslashesAreFound)
{
    const QString file = writeImage(QStringLiteral("fotos/ze/61.jpg"), QSize(200, 300));
    addPhotoRow(61, QStringLiteral("fotos\\ze\\61.jpg"));
    loadAsTheDesk(61);
    expectShown(file, QSize(200, 300));
}

TEST_F(ucIDFotosTest, APhotographTakenWithTheCameraTurnedIsShownUprightAndFitted)
{
    const QString plain = writeImage(QStringLiteral("fotos/ze/deitada.jpg"), QSize(400, 200));
    writeBytes(QStringLiteral("fotos/ze/rodada.jpg"), withOrientation(readBytes(plain), 6));
    addPhotoRow(62, QStringLiteral("fotos/ze/rodada.jpg"));
    loadAsTheDesk(62);
    // Stored 400 x 200, upright 200 x 400: fitted to the 300 x 200 area as 100 x 200.
    expectShown(QDir(archive()).filePath(QStringLiteral("fotos/ze/rodada.jpg")), QSize(200, 400));
    EXPECT_EQ(m_control.decodedSize(), QSize(100, 200));
}

TEST_F(ucIDFotosTest, AnythingThatIsNotAReadablePhotographInsideTheArchiveLeavesTheAreaEmpty)
{
    writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(400, 300));
    const QByteArray good = readBytes(QDir(archive()).filePath(QStringLiteral("fotos/ze/57.jpg")));
    QByteArray noise(20000, '\0');
    for (char &c : noise)
        c = char(QRandomGenerator::global()->bounded(256));
    writeBytes(QStringLiteral("fotos/ze/ruido.jpg"), noise);
    writeBytes(QStringLiteral("fotos/ze/vazio.jpg"), QByteArray());
    writeBytes(QStringLiteral("fotos/ze/cabecalho.jpg"), good.left(100)); // cut inside the header
    writeBytes(QStringLiteral("fotos/ze/texto.png"), QByteArray("not a picture at all"));
    QFile secret(path(QStringLiteral("segredo.jpg")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write(good);
    secret.close();

    struct Case
    {
        int id;
        const char *storedPath; // nullptr: no row at all
        const char *why;
    };
    const Case cases[] = {
        {70, "fotos/ze/nao-existe.jpg", "missing file"},
        {71, "fotos/ze/ruido.jpg", "random bytes named .jpg"},
        {72, "fotos/ze/vazio.jpg", "empty file"},
        {73, "fotos/ze/cabecalho.jpg", "JPEG cut inside its header"},
        {74, "fotos/ze/texto.png", "text named .png"},
        {75, "..\\..\\etc\\passwd", "path escaping the archive"},
        {76, "..\\segredo.jpg", "a good photograph outside the archive"},
        {77, "", "blank path"},
        {78, "fotos/ze", "a folder"},
        {79, nullptr, "no row for the contact"},
    };
    for (const Case &c : cases) {
        if (c.storedPath)
            addPhotoRow(c.id, QString::fromUtf8(c.storedPath));
        // Each case starts from a photograph on show, which must go.
        addPhotoRow(57, QStringLiteral("fotos/ze/57.jpg"));
        loadAsTheDesk(57);
        ASSERT_TRUE(m_control.hasPhoto());
        loadAsTheDesk(c.id);
        expectEmpty(c.why);
        m_connection->Execute(QStringLiteral("DELETE FROM tbContactos_Fotos WHERE contacto_id = 57"));
    }
}

TEST_F(ucIDFotosTest, AJpegCutInItsImageDataShowsWhatCouldBeDecoded)
{
    const QString file = writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(400, 300));
    const QByteArray good = readBytes(file);
    writeBytes(QStringLiteral("fotos/ze/meio.jpg"), good.left(good.size() / 2));
    addPhotoRow(80, QStringLiteral("fotos/ze/meio.jpg"));

    loadAsTheDesk(80);
    // The decoder fills the missing rows; the header's size and the aspect ratio still hold.
    ASSERT_TRUE(m_control.hasPhoto());
    EXPECT_EQ(m_control.decodedSize(), QSize(266, 200));
}

// A 1 kB progressive JPEG claiming a huge size would keep the decoder busy for seconds and
// gigabytes: beyond the bound it is a missing photograph, told once; a 24 MP one still shows.
TEST_F(ucIDFotosTest, APictureBeyondThePixelBoundIsAMissingPhotographToldOnce)
{
    const struct
    {
        QSize claimed;
        bool shown;
    } cases[] = {{QSize(32000, 32000), false}, {QSize(8000, 6000), false}, {QSize(6000, 4000), true}};
    int id = 90;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.claimed.width());
        const QString name = QStringLiteral("fotos/bomba-%1.jpg").arg(c.claimed.width());
        writeBytes(name, progressiveClaiming(c.claimed));
        addPhotoRow(++id, name);
        TestSupport::clearErrorReports();
        for (int i = 0; i < 2; ++i) {
            loadAsTheDesk(id);
            EXPECT_EQ(m_control.hasPhoto(), c.shown);
        }
        const QList<QJsonObject> reports = TestSupport::errorReports();
        ASSERT_EQ(reports.size(), c.shown ? 0 : 1);
        if (!c.shown) {
            EXPECT_TRUE(reports.first().value(QStringLiteral("message")).toString().contains(name));
        }
    }
}

TEST_F(ucIDFotosTest, LoadOfMinusOneEmptiesTheArea)
{
    const QString file = writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(300, 400));
    addPhotoRow(57, QStringLiteral("fotos/ze/57.jpg"));
    loadAsTheDesk(57);
    expectShown(file, QSize(300, 400));

    EXPECT_NO_THROW(m_control.Load(-1));
    expectEmpty("load(-1) after a photograph");
    EXPECT_EQ(m_control.ContactID(), -1);
    EXPECT_EQ(m_control.Connection().get(), m_connection.get()) << "clearing keeps the connection";

    m_control.Load(-1);
    expectEmpty("load(-1) on an empty area");
}

TEST_F(ucIDFotosTest, AClosedConnectionOrAMissingPhotoTableLeavesTheAreaEmpty)
{
    writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(300, 400));
    addPhotoRow(57, QStringLiteral("fotos/ze/57.jpg"));

    ConnectionRef bare = openDatabase(QStringLiteral("bare.db"));
    ConnectionRef argument = bare;
    EXPECT_NO_THROW(m_control.Load(57, false, &argument));
    expectEmpty("database without tbContactos_Fotos");
    ASSERT_EQ(argument.get(), bare.get());
    EXPECT_EQ(argument->State(), Connection::StateOpen);
    EXPECT_NO_THROW(argument->Execute(QStringLiteral("SELECT 1")));

    m_connection->Close();
    loadAsTheDesk(57);
    expectEmpty("closed connection");
    EXPECT_EQ(m_connection->State(), Connection::StateClosed);

    m_control.setConnection(nullptr);
    EXPECT_NO_THROW(m_control.Load(57));
    expectEmpty("no connection at all");
}

TEST_F(ucIDFotosTest, TheConnectionArgumentIsReadFromAndHandedBackUsable)
{
    // The property points at a database without the row; the argument at the one with it.
    const QString file = writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(300, 400));
    ConnectionRef other = openDatabase(QStringLiteral("korda.db"));
    other->Execute(QStringLiteral("CREATE TABLE tbContactos_Fotos (contacto_id INT, path VARCHAR(200))"));
    addPhotoRow(57, QStringLiteral("fotos/ze/57.jpg"), other);

    ConnectionRef argument = other;
    m_control.Load(57, false, &argument);
    expectShown(file, QSize(300, 400));

    ASSERT_EQ(argument.get(), other.get());
    ASSERT_EQ(argument->State(), Connection::StateOpen);
    argument->Execute(QStringLiteral("INSERT INTO tbContactos_Fotos (contacto_id, path) VALUES (58, 'x.jpg')"));
    RecordsetRef count = argument->Execute(QStringLiteral("SELECT COUNT(*) FROM tbContactos_Fotos"));
    ASSERT_EQ(count->State(), Recordset::StateOpen);
    EXPECT_EQ(count->Fields(0).Value().numberValue(), 2.0);
    EXPECT_EQ(m_control.Connection().get(), m_connection.get()) << "the property is not replaced by the argument";

    // An empty argument falls back on the property, and stays empty.
    ConnectionRef none;
    m_control.Load(57, true, &none);
    expectEmpty("the property's database has no row");
    EXPECT_EQ(none, nullptr);
}

TEST_F(ucIDFotosTest, ALargePhotographIsDecodedAtTheSizeShownAndSharpenedWhenTheAreaGrows)
{
    const QString file = writeImage(QStringLiteral("fotos/ze/grande.jpg"), QSize(6000, 4000));
    addPhotoRow(90, QStringLiteral("fotos\\ze\\grande.jpg"));
    loadAsTheDesk(90);
    expectShown(file, QSize(6000, 4000));
    EXPECT_EQ(m_control.decodedSize(), QSize(300, 200));

    m_control.resize(902, 602);
    EXPECT_EQ(m_control.decodedSize(), QSize(900, 600));
    expectShown(file, QSize(6000, 4000));

    // A smaller area keeps the image already decoded and draws it scaled down.
    m_control.resize(452, 302);
    EXPECT_EQ(m_control.decodedSize(), QSize(900, 600));
    const QImage shot = m_control.grab().toImage();
    EXPECT_TRUE(isPhotoRed(shot.pixel(226, 151)));
    // Drawn at 450 x 300, not at the decoded size: the photograph's white frame is in view.
    EXPECT_GT(QColor(shot.pixel(226, 20)).lightness(), 240);
    EXPECT_TRUE(isPhotoRed(shot.pixel(226, 40)));
}
