#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>

// Generated portrait pictures for the photo archives: a head-and-shoulders silhouette on a
// background coloured after the name, with the initials below. Text is drawn only when a
// QGuiApplication exists (fonts need one); the tool creates one on the offscreen platform.
// The write functions throw RuntimeError when the file cannot be written.
namespace Portraits {

constexpr int Width = 240;
constexpr int Height = 300;

// First letter of the first and of the last word, upper case ("Joana D'Almeida" gives "JD").
QString initials(const QString &name);
// A stable, fairly dark background colour for a name.
QColor colourFor(const QString &name);
QImage draw(const QString &name);

// Draws the portrait of name and saves it as JPEG at path, creating the folders.
void writePortrait(const QString &path, const QString &name);
// Writes a file that starts like a JPEG but holds random bytes, which no decoder accepts.
void writeBroken(const QString &path, uint64_t seed);

} // namespace Portraits
