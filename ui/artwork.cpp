#include "ui/artwork.h"

namespace Artwork {

QPixmap headerLeft()
{
    return QPixmap(QStringLiteral(":/artwork/header-left.png"));
}

QPixmap headerRight()
{
    return QPixmap(QStringLiteral(":/artwork/header-right.png"));
}

QIcon windowIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/artwork/window-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/artwork/window-32.png"), QSize(32, 32));
    return icon;
}

QList<QPixmap> toolbarPictures()
{
    return {QPixmap(QStringLiteral(":/artwork/toolbar-validar.png")),
            QPixmap(QStringLiteral(":/artwork/toolbar-vips.png")),
            QPixmap(QStringLiteral(":/artwork/toolbar-undo.png")),
            QPixmap(QStringLiteral(":/artwork/toolbar-list.png"))};
}

QPixmap vipListIcon()
{
    return QPixmap(QStringLiteral(":/artwork/list-vip.png"));
}

QPixmap sqlServerPicture()
{
    return QPixmap(QStringLiteral(":/artwork/sqlserver.png"));
}

QPixmap searchButtonPicture()
{
    return QPixmap(QStringLiteral(":/artwork/toolbar-search.png"));
}

} // namespace Artwork
