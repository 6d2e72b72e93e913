#pragma once

#include "data/connection.h"
#include "data/recordset.h"
#include "tests/support/testsupport.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QJsonObject>
#include <QPainter>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QSize &size, std::ostream *os)
{
    *os << size.width() << " x " << size.height();
}

// A member database with the photo table (a real SQLite file) and an archive folder of
// real image files, both in a temporary folder of the test process.
class PhotoFixture : public ::testing::Test
{
protected:
    static QColor photoColor() { return QColor(220, 30, 30); }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("arquivo/fotos/ze")));
        m_connection = openDatabase(QStringLiteral("members.db"));
        m_connection->Execute(QStringLiteral("CREATE TABLE tbContactos_Fotos (contacto_id INT, path VARCHAR(200))"));
        TestSupport::clearErrorReports();
    }

    void TearDown() override
    {
        EXPECT_TRUE(TestSupport::errorReports().isEmpty()) << "an ordinary missing photograph was reported as an error";
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString archive() const { return path(QStringLiteral("arquivo")); }

    // An open connection to a new, empty SQLite file of the temporary folder.
    ConnectionRef openDatabase(const QString &fileName) const
    {
        EXPECT_TRUE(TestSupport::createEmptyDatabase(path(fileName)));
        auto c = std::make_shared<Connection>();
        c->Open(QStringLiteral("Provider=SQLite;Data Source=") + path(fileName));
        return c;
    }

    void addPhotoRow(int id, const QString &storedPath, const ConnectionRef &on = nullptr) const
    {
        QString literal = storedPath;
        literal.replace(QLatin1Char('\''), QStringLiteral("''"));
        (on ? on : m_connection)
            ->Execute(QStringLiteral("INSERT INTO tbContactos_Fotos (contacto_id, path) VALUES (%1, '%2')")
                          .arg(id)
                          .arg(literal));
    }

    // A photograph below the archive: a red field with a white frame, so that its middle
    // is red however it is scaled. Returns the file's absolute path.
    QString writeImage(const QString &relative, const QSize &size, const char *format = "JPG") const
    {
        const QString file = QDir(archive()).filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(QRect(QPoint(0, 0), size)
                             .adjusted(size.width() / 10, size.height() / 10, -size.width() / 10, -size.height() / 10),
                         photoColor());
        painter.end();
        EXPECT_TRUE(image.save(file, format)) << file.toStdString();
        return file;
    }

    // The JPEG with an EXIF orientation tag put in front of its own segments (6: the
    // camera was turned, the picture is to be shown turned 90 degrees clockwise).
    static QByteArray withOrientation(const QByteArray &jpeg, int orientation)
    {
        QByteArray exif("Exif\0\0"
                        "MM\0\x2a\0\0\0\x08"
                        "\0\x01"
                        "\x01\x12\0\x03\0\0\0\x01",
                        24);
        exif += char(0);
        exif += char(orientation);
        exif += QByteArray(6, '\0'); // padding of the value and the offset of no next directory
        const int length = int(exif.size()) + 2;
        QByteArray segment("\xff\xe1", 2);
        segment += char(length >> 8);
        segment += char(length & 0xff);
        return jpeg.left(2) + segment + exif + jpeg.mid(2);
    }

    // A tiny progressive JPEG whose frame header claims size: the decoder works at the size
    // the header claims, whatever the file holds.
    static QByteArray progressiveClaiming(const QSize &size)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        QImage small(16, 16, QImage::Format_RGB32);
        small.fill(photoColor());
        EXPECT_TRUE(writer.write(small));
        const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc2", 2));
        EXPECT_GE(frame, 0);
        bytes[frame + 5] = char(size.height() >> 8);
        bytes[frame + 6] = char(size.height() & 0xff);
        bytes[frame + 7] = char(size.width() >> 8);
        bytes[frame + 8] = char(size.width() & 0xff);
        return bytes;
    }

    void writeBytes(const QString &relative, const QByteArray &bytes) const
    {
        QFile file(QDir(archive()).filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readBytes(const QString &absolute) const
    {
        QFile file(absolute);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir m_dir{TestSupport::processTempDir() + QStringLiteral("/photos-XXXXXX")};
    ConnectionRef m_connection;
};
