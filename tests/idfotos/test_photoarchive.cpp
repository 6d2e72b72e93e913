// The rules behind the photo control: the lookup on the member database, the file a stored
// path names inside the archive, and the size a photograph is decoded at.
#include "idfotos/photoarchive.h"
#include "tests/idfotos/photofixture.h"

using PhotoArchiveTest = PhotoFixture;

TEST_F(PhotoArchiveTest, StoredPathReadsTheContactsRowAndLeavesTheConnectionOpen)
{
    addPhotoRow(57, QStringLiteral("  "));
    addPhotoRow(57, QStringLiteral("fotos\\ze\\57.jpg"));
    addPhotoRow(58, QStringLiteral("fotos/ze/58.jpg"));

    EXPECT_EQ(PhotoArchive::storedPath(m_connection, 57), QStringLiteral("fotos\\ze\\57.jpg"));
    EXPECT_EQ(PhotoArchive::storedPath(m_connection, 58), QStringLiteral("fotos/ze/58.jpg"));
    EXPECT_EQ(PhotoArchive::storedPath(m_connection, 59), QString());
    EXPECT_EQ(PhotoArchive::storedPath(nullptr, 57), QString());

    // The lookup left no open statement behind: the same connection still writes.
    ASSERT_EQ(m_connection->State(), Connection::StateOpen);
    m_connection->Execute(QStringLiteral("DELETE FROM tbContactos_Fotos WHERE contacto_id = 58"));
    EXPECT_EQ(PhotoArchive::storedPath(m_connection, 58), QString());
}

TEST_F(PhotoArchiveTest, StoredPathOnAClosedConnectionOrWithoutThePhotoTableIsEmpty)
{
    addPhotoRow(57, QStringLiteral("fotos/57.jpg"));
    ConnectionRef bare = openDatabase(QStringLiteral("bare.db"));
    EXPECT_EQ(PhotoArchive::storedPath(bare, 57), QString());
    EXPECT_EQ(bare->State(), Connection::StateOpen);
    EXPECT_NO_THROW(bare->Execute(QStringLiteral("SELECT 1")));

    m_connection->Close();
    EXPECT_EQ(PhotoArchive::storedPath(m_connection, 57), QString());
}

TEST_F(PhotoArchiveTest, ResolveFindsFilesWithEitherSeparatorInsideTheArchive)
{
    const QString file = QFileInfo(writeImage(QStringLiteral("fotos/ze/57.jpg"), QSize(40, 30))).canonicalFilePath();
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos\\ze\\57.jpg")), file);
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos/ze/57.jpg")), file);
    EXPECT_EQ(PhotoArchive::resolve(archive() + QStringLiteral("/"), QStringLiteral("fotos/ze/57.jpg")), file);
    // A ".." that stays inside the archive is harmless.
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos\\..\\fotos\\ze\\57.jpg")), file);
    // An absolute path that happens to lie inside the archive names that file.
    EXPECT_EQ(PhotoArchive::resolve(archive(), file), file);
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos/ze/99.jpg")), QString());
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos/ze")), QString()) << "a folder is no photograph";
}

TEST_F(PhotoArchiveTest, ResolveRefusesEverythingOutsideTheArchive)
{
    // A real file next to the archive, reachable by "..", by absolute path and by a link.
    QFile outside(path(QStringLiteral("segredo.jpg")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("x");
    outside.close();
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("..\\segredo.jpg")), QString());
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("fotos/../../segredo.jpg")), QString());
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("..\\..\\etc\\passwd")), QString());
    EXPECT_EQ(PhotoArchive::resolve(archive(), path(QStringLiteral("segredo.jpg"))), QString());
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("/etc/passwd")), QString());
    ASSERT_TRUE(
        QFile::link(path(QStringLiteral("segredo.jpg")), QDir(archive()).filePath(QStringLiteral("atalho.jpg"))));
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("atalho.jpg")), QString());

    // A sibling folder whose name merely starts like the archive's is outside too.
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("arquivo2")));
    QFile sibling(path(QStringLiteral("arquivo2/a.jpg")));
    ASSERT_TRUE(sibling.open(QIODevice::WriteOnly));
    sibling.close();
    EXPECT_EQ(PhotoArchive::resolve(archive(), QStringLiteral("../arquivo2/a.jpg")), QString());

    // No archive folder means no photograph, never a file of the current directory.
    const QString cwdFile = QDir::current().absoluteFilePath(QStringLiteral("idfotos-cwd-probe.jpg"));
    QFile probe(cwdFile);
    ASSERT_TRUE(probe.open(QIODevice::WriteOnly));
    probe.close();
    EXPECT_EQ(PhotoArchive::resolve(QString(), QStringLiteral("idfotos-cwd-probe.jpg")), QString());
    EXPECT_EQ(PhotoArchive::resolve(path(QStringLiteral("nao-existe")), QStringLiteral("fotos/ze/57.jpg")), QString());
    QFile::remove(cwdFile);
}

TEST(PhotoArchiveSize, DecodeSizeFitsTheBoxKeepingTheAspectRatioAndNeverEnlarges)
{
    EXPECT_EQ(PhotoArchive::decodeSize(QSize(6000, 4000), QSize(300, 400)), QSize(300, 200));
    EXPECT_EQ(PhotoArchive::decodeSize(QSize(4000, 6000), QSize(300, 300)), QSize(200, 300));
    EXPECT_EQ(PhotoArchive::decodeSize(QSize(100, 80), QSize(300, 400)), QSize(100, 80));
    EXPECT_EQ(PhotoArchive::decodeSize(QSize(10000, 1), QSize(100, 100)), QSize(100, 1));
    EXPECT_EQ(PhotoArchive::decodeSize(QSize(640, 480), QSize()), QSize(640, 480));
    EXPECT_FALSE(PhotoArchive::decodeSize(QSize(), QSize(300, 400)).isValid());
}
