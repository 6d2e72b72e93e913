#include "idfotos/ucidfotos.h"

#include "idfotos/photoarchive.h"
#include "platform/errorreport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QPainter>
#include <QResizeEvent>
#include <QSet>

#include <algorithm>

namespace {
const QColor borderColor(200, 200, 200);
// Below this the control has not been laid out yet; decode for a generous area instead.
constexpr int smallestBox = 16;
const QSize unlaidBox(1024, 1024);
// A picture too large to decode is a missing photograph; the error log hears of each file
// once (again when the file changes), not at every check-in of its member.
void reportTooLarge(const QString &file, const QSize &size)
{
    static QSet<QString> told;
    const QFileInfo info(file);
    const QString key
        = QStringLiteral("%1|%2|%3").arg(file).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    if (told.contains(key))
        return;
    told.insert(key);
    ErrorReporting::formTail(QStringLiteral("ucIDFotos"), QStringLiteral("Load"), 481,
                             QStringLiteral("%1: %2 x %3 pixels, more than %4 (photograph not shown)")
                                 .arg(file)
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(PhotoArchive::MaxPixels));
}

} // namespace

ucIDFotos::ucIDFotos(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor ucIDFotos::backgroundColor()
{
    return QColor(240, 240, 240);
}

void ucIDFotos::Load(int32_t contactId, bool flag, ConnectionRef *connection)
{
    Q_UNUSED(flag);
    try {
        m_contactId = contactId;
        clearPhoto();
        if (contactId > 0) {
            // The argument, when it holds a connection, is only read from: the caller takes
            // the very same object back as its own connection.
            const ConnectionRef source = (connection && *connection) ? *connection : m_connection;
            const QString file = PhotoArchive::resolve(m_archiveFolder, PhotoArchive::storedPath(source, contactId));
            if (!file.isEmpty())
                decode(file);
        }
    } catch (...) {
        clearPhoto();
        ErrorReporting::formTail(QStringLiteral("ucIDFotos"), QStringLiteral("Load"));
    }
    update();
}

void ucIDFotos::clearPhoto()
{
    m_path.clear();
    m_sourceSize = QSize();
    m_image = QImage();
    m_scaled = QPixmap();
}

bool ucIDFotos::decode(const QString &file)
{
    QImageReader reader(file);
    reader.setAutoTransform(true);
    // The header's size is the stored orientation; the scaled size applies before the
    // reader turns the image upright, so a turned photograph is fitted to a turned box.
    const QSize stored = reader.size();
    if (!PhotoArchive::withinPixelBound(stored)) {
        reportTooLarge(file, stored);
        return false;
    }
    const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize box = turned ? decodeBox().transposed() : decodeBox();
    const QSize target = PhotoArchive::decodeSize(stored, box);
    if (target.isValid() && target != stored)
        reader.setScaledSize(target);

    QImage image = reader.read();
    if (image.isNull())
        return false;
    if (!target.isValid()) {
        // A format that does not tell its size up front: bound the image after reading.
        const QSize fit = PhotoArchive::decodeSize(image.size(), decodeBox());
        if (fit != image.size())
            image = image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    m_path = file;
    m_sourceSize = stored.isValid() ? (turned ? stored.transposed() : stored) : QSize();
    m_image = image;
    m_scaled = QPixmap();
    return true;
}

QRect ucIDFotos::photoRect() const
{
    return rect().adjusted(1, 1, -1, -1);
}

QSize ucIDFotos::decodeBox() const
{
    const QSize box = photoRect().size() * devicePixelRatioF();
    if (box.width() < smallestBox || box.height() < smallestBox)
        return unlaidBox;
    return box;
}

void ucIDFotos::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scaled = QPixmap();
    if (m_image.isNull() || !m_sourceSize.isValid())
        return;
    // Read the file again only when the area has grown enough to show clearly more detail;
    // if the file has gone meanwhile, the image already decoded stays.
    try {
        const QSize wanted = PhotoArchive::decodeSize(m_sourceSize, decodeBox());
        if (wanted.width() * 4 > m_image.width() * 5 || wanted.height() * 4 > m_image.height() * 5)
            decode(m_path);
    } catch (...) {
        ErrorReporting::formTail(QStringLiteral("ucIDFotos"), QStringLiteral("UserControl_Resize"));
    }
}

void ucIDFotos::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.fillRect(rect(), backgroundColor());
    painter.setPen(borderColor);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect area = photoRect();
    if (m_image.isNull() || area.isEmpty())
        return;
    QSize shown = m_image.size().scaled(area.size(), Qt::KeepAspectRatio);
    shown = QSize(std::max(1, shown.width()), std::max(1, shown.height()));
    QRect target(QPoint(0, 0), shown);
    target.moveCenter(area.center());

    const qreal ratio = devicePixelRatioF();
    const QSize pixels = shown * ratio;
    if (m_scaled.isNull() || m_scaled.size() != pixels) {
        m_scaled = QPixmap::fromImage(m_image.size() == pixels
                                          ? m_image
                                          : m_image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, m_scaled);
}
