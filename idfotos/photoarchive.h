#pragma once

#include "data/connection.h"

#include <QSize>
#include <QString>

#include <cstdint>

// The plain rules behind the photo control: which stored path belongs to a contact, which
// file of the archive that path names, and at what size a photograph is worth decoding.
// Nothing here touches a widget. The lookup leaves the connection as it found it (open,
// same object); every ordinary failure (no connection, closed connection, rejected query,
// no row, a path that leaves the archive) gives an empty result instead of an error.
namespace PhotoArchive {

// A folder or file name read from the database as Windows takes it: trailing blanks dropped
// (a CHAR(n) column sends its value padded to n).
QString fileSystemName(const QString &databaseValue);

// tbContactos_Fotos.path of the contact: the first row with a non-blank text path, or an
// empty text. The id goes into the query as decimal digits only. Errors raised by the
// connection layer (closed connection, rejected query) are swallowed: a contact whose
// photograph cannot be read simply has none.
QString storedPath(const ConnectionRef &connection, int32_t contactId);
// The statement storedPath sends.
QString storedPathQuery(int32_t contactId);

// The absolute, canonical path of the existing file that storedPath names below
// archiveFolder, or an empty text. "\" and "/" are both separators. The result always lies
// inside the archive folder: ".." steps, absolute paths and symbolic links that lead out
// of it are refused, and so is an empty archive folder (never the current directory).
QString resolve(const QString &archiveFolder, const QString &storedPath);

// The size to decode an image of sourceSize at so that it fits box with its aspect ratio
// kept: sourceSize itself when it already fits (never enlarged) or when box is empty (no
// bound), an invalid size when the image's size is unknown. Each side is at least one pixel.
QSize decodeSize(const QSize &sourceSize, const QSize &box);

// The most pixels a photograph may have. A progressive JPEG is decoded at its full size
// inside the decoder whatever size is asked for, so time and memory grow with the size its
// header claims, not with the file (a 1 kB file can claim 32,000 x 32,000). Measured with
// bench_photo, the costliest kind (four full-resolution components) at this size takes about
// 0.55 s and 231 MiB, inside the second and the 256 MB a photograph may cost; a 24 MP
// photograph is well inside.
constexpr qint64 MaxPixels = 30'000'000;

// Whether an image of size (as its header tells it) may be decoded; an unknown size may.
bool withinPixelBound(const QSize &size);

} // namespace PhotoArchive
