// Photograph display: ucIDFotos::Load on a real SQLite row that names a JPEG in the archive
// folder, until the control has painted it, for a 24-megapixel (6000 x 4000) and a
// 0.3-megapixel (640 x 480) photograph, both saved at JPEG quality 90. The control has the
// size of the photo area of the maximized main window on the 1280 x 800 screen.
// Then progressive JPEGs of about 1 kB whose headers claim ever larger sizes are decoded the
// way the control decodes a photograph (without its bound), each in a process of its own:
// the time and the peak memory they cost are what the control's bound on pixels is chosen by.
//   bench_photo --markdown OUT.md [--runs N]
#include "app/frmmain.h"
#include "bench/benchenvironment.h"
#include "bench/benchstats.h"
#include "data/connection.h"
#include "idfotos/photoarchive.h"
#include "idfotos/ucidfotos.h"

#include <QApplication>
#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// A picture with smooth shading, edges and fine grain, so the JPEG is as costly to decode as
// a photograph of the same size (a flat image would compress to almost nothing).
QImage photoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const int r = (x * 255 / width) + grain;
            const int g = (y * 255 / height) + grain;
            const int b = (((x / 97) + (y / 61)) % 2 ? 200 : 60) + grain;
            line[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(230, 190, 160));
    painter.drawEllipse(QRectF(width * 0.3, height * 0.15, width * 0.4, height * 0.6));
    return image;
}

void writePhoto(const QString &path, int width, int height)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!photoLike(width, height).save(path, "JPEG", 90))
        throw std::runtime_error("cannot write " + path.toStdString());
}

void writeDatabase(const QString &path)
{
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db,
                          "CREATE TABLE tbContactos_Fotos (foto_id INTEGER PRIMARY KEY, contacto_id INTEGER NOT NULL,"
                          " path TEXT NOT NULL);"
                          "INSERT INTO tbContactos_Fotos (contacto_id, path) VALUES (1, 'fotos\\grande.jpg');"
                          "INSERT INTO tbContactos_Fotos (contacto_id, path) VALUES (2, 'fotos/pequena.jpg');",
                          nullptr, nullptr, nullptr);
    const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot write " + path.toStdString() + ": " + message);
}

// Counts paint events of the control, to wait for the one that shows the photograph.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

double showOnce(ucIDFotos &control, PaintCounter &counter, ConnectionRef &connection, int contactId)
{
    control.Load(-1);
    QCoreApplication::processEvents();
    counter.paints = 0;
    const auto start = BenchStats::Clock::now();
    control.Load(contactId, false, &connection);
    QElapsedTimer guard;
    guard.start();
    QCoreApplication::processEvents();
    while (counter.paints == 0 && guard.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double ms = BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
    if (!control.hasPhoto() || counter.paints == 0)
        throw std::runtime_error("the photograph was not shown");
    return ms;
}

// A tiny progressive JPEG whose frame header claims size: what a hostile archive can hold.
// components 3 keeps the writer's chroma subsampling; 33 gives the three components full
// resolution (4:4:4); 4 claims four full-resolution components (CMYK), the costliest kind.
QByteArray progressiveClaiming(const QSize &size, int components = 3)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(Qt::red);
    if (!writer.write(small))
        throw std::runtime_error("cannot write a progressive JPEG");
    const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc2", 2));
    if (frame < 0)
        throw std::runtime_error("the JPEG writer wrote no progressive frame");
    bytes[frame + 5] = char(size.height() >> 8);
    bytes[frame + 6] = char(size.height() & 0xff);
    bytes[frame + 7] = char(size.width() >> 8);
    bytes[frame + 8] = char(size.width() & 0xff);
    if (components == 33) {
        for (int c = 0; c < 3; ++c)
            bytes[frame + 11 + 3 * c] = char(0x11);
    } else if (components == 4) {
        QByteArray frameHeader("\xff\xc2\x00\x14\x08", 5);
        frameHeader += bytes.mid(frame + 5, 4);
        frameHeader += QByteArray("\x04"
                                  "\x01\x11\x00"
                                  "\x02\x11\x01"
                                  "\x03\x11\x01"
                                  "\x04\x11\x00",
                                  13);
        const int oldLength = (uchar(bytes[frame + 2]) << 8) | uchar(bytes[frame + 3]);
        bytes = bytes.left(frame) + frameHeader + bytes.mid(frame + 2 + oldLength);
    }
    return bytes;
}

long peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// In a child process: decode a crafted file claiming width x height as the control decodes
// a photograph for the main window's photo area, and print "<ms> <peak growth KiB>".
int decodeProgressiveChild(int width, int height, int components)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bomba.jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(progressiveClaiming(QSize(width, height), components)) < 0)
        return 1;
    file.close();
    const long before = peakKiB();
    const auto start = BenchStats::Clock::now();
    QImageReader reader(path);
    const QSize stored = reader.size();
    reader.setScaledSize(PhotoArchive::decodeSize(stored, QSize(408, 415)));
    const QImage image = reader.read();
    const double ms = BenchStats::millisecondsBetween(start, BenchStats::Clock::now());
    std::printf("%.2f %ld %d\n", ms, peakKiB() - before, image.isNull() ? 0 : 1);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--decode-progressive") == 0) {
        QCoreApplication app(argc, argv);
        return decodeProgressiveChild(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    }
    QTemporaryDir scratch;
    BenchEnvironment::prepareProcess(scratch.path());
    QApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption markdownOption = BenchEnvironment::markdownOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Loads per photograph."),
                                        QStringLiteral("n"), QStringLiteral("21"));
    parser.addOptions({markdownOption, runsOption});
    parser.process(app);
    if (!parser.isSet(markdownOption)) {
        std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
        return 2;
    }

    try {
        const QDir dir(scratch.path());
        const QString archive = dir.filePath(QStringLiteral("arquivo"));
        std::fprintf(stderr, "bench_photo: writing the photographs\n");
        writePhoto(archive + QStringLiteral("/fotos/grande.jpg"), 6000, 4000);
        writePhoto(archive + QStringLiteral("/fotos/pequena.jpg"), 640, 480);
        const QString dbPath = dir.filePath(QStringLiteral("fotos.db"));
        writeDatabase(dbPath);
        ConnectionRef connection = std::make_shared<Connection>();
        connection->Open(QStringLiteral("Provider=SQLite;Data Source=") + dbPath);

        // The photo area of the real main window gives the control its size.
        frmMain window;
        window.setProcessTerminator([](const QString &) { return false; });
        window.Form_Load();
        QCoreApplication::processEvents();
        std::unique_ptr<QWidget> ownHost;
        auto *control = qobject_cast<ucIDFotos *>(window.ui().ucIDFotos1);
        if (!control) {
            ownHost = std::make_unique<QWidget>();
            control = new ucIDFotos(ownHost.get());
            control->setGeometry(QRect(QPoint(0, 0), window.ui().ucIDFotos1->size()));
            ownHost->resize(window.ui().ucIDFotos1->size());
            ownHost->show();
        }
        control->setConnection(connection);
        control->setArchiveFolder(archive);
        PaintCounter counter;
        control->installEventFilter(&counter);

        const int runs = parser.value(runsOption).toInt();
        QString table = QStringLiteral("| photograph | file (KiB) | decoded at | loads | median (ms) | max (ms) |\n"
                                       "|---|---:|---|---:|---:|---:|\n");
        const struct
        {
            int id;
            const char *label;
            const char *file;
        } photos[] = {{2, "640 x 480 (0.3 MP)", "pequena.jpg"}, {1, "6000 x 4000 (24 MP)", "grande.jpg"}};
        QStringList medians;
        for (const auto &photo : photos) {
            std::vector<double> samples;
            showOnce(*control, counter, connection, photo.id); // warm-up
            for (int i = 0; i < runs; ++i)
                samples.push_back(showOnce(*control, counter, connection, photo.id));
            const BenchStats::Summary s = BenchStats::summarize(samples);
            const QSize decoded = control->decodedSize();
            medians << BenchStats::ms(s.median);
            table += QStringLiteral("| %1 | %2 | %3 x %4 | %5 | %6 | %7 |\n")
                         .arg(QString::fromLatin1(photo.label))
                         .arg(QFileInfo(archive + QStringLiteral("/fotos/") + QLatin1String(photo.file)).size() / 1024)
                         .arg(decoded.width())
                         .arg(decoded.height())
                         .arg(s.count)
                         .arg(BenchStats::ms(s.median), BenchStats::ms(s.max));
        }

        // For comparison: the large file decoded at full size, as a plain QImageReader does it.
        std::vector<double> full;
        for (int i = 0; i < 3; ++i) {
            const auto start = BenchStats::Clock::now();
            const QImage image = QImageReader(archive + QStringLiteral("/fotos/grande.jpg")).read();
            full.push_back(BenchStats::millisecondsBetween(start, BenchStats::Clock::now()));
            if (image.isNull())
                throw std::runtime_error("cannot decode the large photograph");
        }
        table += QStringLiteral(
                     "\nThe photo area is %1 x %2 pixels. For comparison, decoding the 24 MP file at full size "
                     "(QImageReader without a scaled size) takes %3 ms (median of %4).\n")
                     .arg(control->width())
                     .arg(control->height())
                     .arg(BenchStats::ms(BenchStats::summarize(full).median))
                     .arg(full.size());

        // Crafted progressive files: what a picture just inside the control's bound may cost.
        table += QStringLiteral(
                     "\nA progressive JPEG of about 1 kB whose header claims the size, decoded for the photo "
                     "area as the control decodes a photograph (each in a process of its own; the "
                     "control refuses pictures of more than %1 pixels before decoding).\n\n"
                     "| claimed size | components | megapixels | decode (ms) | peak memory growth (MiB) |\n"
                     "|---|---|---:|---:|---:|\n")
                     .arg(PhotoArchive::MaxPixels);
        const struct
        {
            QSize size;
            int components;
            const char *label;
        } claimed[] = {{{6000, 4000}, 3, "3, chroma halved"}, {{6000, 4000}, 33, "3, full"},
                       {{6000, 4000}, 4, "4, full"},          {{6708, 4472}, 3, "3, chroma halved"},
                       {{6708, 4472}, 33, "3, full"},         {{6708, 4472}, 4, "4, full"},
                       {{8000, 6000}, 4, "4, full (refused)"}};
        for (const auto &c : claimed) {
            const QSize size = c.size;
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--decode-progressive"), QString::number(size.width()),
                         QString::number(size.height()), QString::number(c.components)});
            if (!child.waitForFinished(120000) || child.exitCode() != 0)
                throw std::runtime_error("the decoding child failed");
            const QList<QByteArray> words = child.readAllStandardOutput().trimmed().split(' ');
            if (words.size() != 3)
                throw std::runtime_error("the decoding child said nothing");
            table += QStringLiteral("| %1 x %2 | %3 | %4 | %5 | %6 |\n")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(QString::fromLatin1(c.label))
                         .arg(double(size.width()) * size.height() / 1e6, 0, 'f', 1)
                         .arg(QString::fromLatin1(words.at(0)))
                         .arg(words.at(1).toDouble() / 1024.0, 0, 'f', 1);
            std::fprintf(stderr, "bench_photo: %dx%d %s ms %s KiB\n", size.width(), size.height(),
                         words.at(0).constData(), words.at(1).constData());
        }
        BenchEnvironment::writeText(parser.value(markdownOption), table);
        BenchEnvironment::writeSummary(
            parser.value(markdownOption),
            QStringLiteral("| Photograph shown, 24 MP against 0.3 MP JPEG | - | median %1 ms against %2 ms |\n")
                .arg(medians.value(1), medians.value(0)));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_photo: %s\n", error.what());
        return 1;
    }
    return 0;
}
