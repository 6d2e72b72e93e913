#include "tools/demodb/portraits.h"

#include "platform/runtimeerror.h"
#include "tools/demodb/bulkdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

namespace {

void makeParent(const QString &path)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        throw RuntimeError(ErrorNumber::InternalError, QStringLiteral("cannot create folder %1").arg(dir));
}

} // namespace

QString Portraits::initials(const QString &name)
{
    const QStringList words = name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QString();
    QString result = words.first().left(1).toUpper();
    if (words.size() > 1)
        result += words.last().left(1).toUpper();
    return result;
}

QColor Portraits::colourFor(const QString &name)
{
    const uint64_t hash = BulkData::mix(qHash(name, 17u));
    return QColor::fromHsv(int(hash % 360), 90 + int((hash >> 16) % 80), 110 + int((hash >> 24) % 60));
}

QImage Portraits::draw(const QString &name)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    const QColor background = colourFor(name);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, Height);
    gradient.setColorAt(0, background.lighter(135));
    gradient.setColorAt(1, background.darker(125));
    painter.fillRect(image.rect(), gradient);

    const QColor figure = background.lighter(175);
    painter.setPen(Qt::NoPen);
    painter.setBrush(figure);
    painter.drawEllipse(QRectF(Width / 2.0 - 48, 46, 96, 116)); // head
    QPainterPath shoulders;
    shoulders.moveTo(20, Height);
    shoulders.cubicTo(24, 190, 80, 176, Width / 2.0, 176);
    shoulders.cubicTo(Width - 80, 176, Width - 24, 190, Width - 20, Height);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);

    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRect(QRectF(0, Height - 72, Width, 72));
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(44);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(0, Height - 72, Width, 72), Qt::AlignCenter, initials(name));
    }
    painter.end();
    return image;
}

void Portraits::writePortrait(const QString &path, const QString &name)
{
    makeParent(path);
    if (!draw(name).save(path, "JPEG", 85))
        throw RuntimeError(ErrorNumber::InternalError, QStringLiteral("cannot write the picture %1").arg(path));
}

void Portraits::writeBroken(const QString &path, uint64_t seed)
{
    makeParent(path);
    QByteArray bytes("\xFF\xD8\xFF\xE0", 4);
    uint64_t state = seed;
    while (bytes.size() < 4096) {
        state = BulkData::mix(state);
        bytes.append(reinterpret_cast<const char *>(&state), sizeof state);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw RuntimeError(ErrorNumber::InternalError, QStringLiteral("cannot write %1").arg(path));
}
