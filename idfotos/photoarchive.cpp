#include "idfotos/photoarchive.h"

#include "data/recordset.h"
#include "data/value.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QString PhotoArchive::fileSystemName(const QString &databaseValue)
{
    qsizetype end = databaseValue.size();
    while (end > 0 && databaseValue.at(end - 1) == QLatin1Char(' '))
        --end;
    return databaseValue.left(end);
}

QString PhotoArchive::storedPath(const ConnectionRef &connection, int32_t contactId)
{
    if (!connection)
        return QString();
    const QString sql = storedPathQuery(contactId);
    try {
        Recordset rs;
        rs.Open(sql, connection);
        if (rs.State() != Recordset::StateOpen)
            return QString();
        for (; !rs.Eof(); rs.MoveNext()) {
            const Value path = rs.Fields(0).Value();
            if (path.isString() && !path.stringValue().trimmed().isEmpty())
                return path.stringValue().trimmed();
        }
    } catch (const RuntimeError &) {
        // A closed connection or a database without the photo table: no photograph.
        // The recordset has closed itself on the way out; the connection is untouched.
    }
    return QString();
}

QString PhotoArchive::storedPathQuery(int32_t contactId)
{
    return QStringLiteral("SELECT path FROM tbContactos_Fotos WHERE contacto_id = ") + QString::number(contactId);
}

QString PhotoArchive::resolve(const QString &archiveFolder, const QString &storedPath)
{
    if (archiveFolder.trimmed().isEmpty() || storedPath.trimmed().isEmpty())
        return QString();
    const QString root = QFileInfo(fileSystemName(archiveFolder)).canonicalFilePath();
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return QString();

    QString relative = storedPath.trimmed();
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // QDir::filePath keeps an absolute path as it is; the containment test below decides.
    const QFileInfo file(QDir(root).filePath(relative));
    const QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isFile())
        return QString();
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!canonical.startsWith(prefix))
        return QString();
    return canonical;
}

QSize PhotoArchive::decodeSize(const QSize &sourceSize, const QSize &box)
{
    if (!sourceSize.isValid() || sourceSize.isEmpty())
        return QSize();
    if (box.isEmpty() || (sourceSize.width() <= box.width() && sourceSize.height() <= box.height()))
        return sourceSize;
    QSize fitted = sourceSize.scaled(box, Qt::KeepAspectRatio);
    fitted.setWidth(std::max(1, std::min(fitted.width(), box.width())));
    fitted.setHeight(std::max(1, std::min(fitted.height(), box.height())));
    return fitted;
}

bool PhotoArchive::withinPixelBound(const QSize &size)
{
    return !size.isValid() || qint64(size.width()) * qint64(size.height()) <= MaxPixels;
}
