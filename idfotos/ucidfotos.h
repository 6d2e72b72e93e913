#pragma once

#include "data/connection.h"

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

#include <cstdint>

// The photo control of the member panel: shows the photograph of one contact, found through
// tbContactos_Fotos.path on the member database and read from the archive folder below it.
// It shares the connection it is given (never opens, closes or replaces it) and owns only
// the decoded image, decoded at the size it is shown so that a camera-sized file never
// holds up the desk. Anything ordinary that stops a photograph from showing (id -1, no row,
// a missing, corrupt or outside file, a closed connection, a rejected query) leaves an
// empty neutral area: no dialog, no exception, no error report. A picture whose header
// claims more than PhotoArchive::MaxPixels is not decoded at all: it shows as a missing
// photograph and is reported once.
class ucIDFotos : public QWidget
{
    Q_OBJECT

public:
    explicit ucIDFotos(QWidget *parent = nullptr);

    // The connection photographs are looked up on, shared with the window that owns it.
    void setConnection(const ConnectionRef &connection) { m_connection = connection; }
    ConnectionRef Connection() const { return m_connection; }

    // Root folder of the photograph files.
    void setArchiveFolder(const QString &folder) { m_archiveFolder = folder; }
    QString ArchiveFolder() const { return m_archiveFolder; }

    void setContactID(int32_t id) { m_contactId = id; }
    int32_t ContactID() const { return m_contactId; }

    // Shows the photograph of contactId (which also becomes ContactID()); zero or a negative
    // id empties the area. A non-null *connection is the connection read from instead of
    // Connection(); the argument is left holding that same object, still open. flag is
    // accepted for the desk's calls and changes nothing.
    void Load(int32_t contactId, bool flag = false, ConnectionRef *connection = nullptr);

    // What is on show, for the window and for tests.
    bool hasPhoto() const { return !m_image.isNull(); }
    QSize decodedSize() const { return m_image.size(); }
    QString photoPath() const { return hasPhoto() ? m_path : QString(); }

    // The plain background of the area, also what an empty control shows throughout.
    static QColor backgroundColor();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void clearPhoto();
    // Reads file at the size the area needs; false (and nothing kept) when it cannot be read.
    bool decode(const QString &file);
    // The area inside the border, in device pixels, that a photograph is decoded for.
    QSize decodeBox() const;
    QRect photoRect() const;

    ConnectionRef m_connection;
    QString m_archiveFolder;
    int32_t m_contactId = 0;

    QString m_path;
    QSize m_sourceSize; // size of the image in its file, after orientation
    QImage m_image;     // the decoded image
    QPixmap m_scaled;   // m_image scaled to the area last painted
};
