#pragma once

#include <QString>

class QWidget;

// Renders a shown window, once the pending layout and paint events have run, into a PNG.
// Returns false (and says why on stderr) when the file cannot be written.
bool saveWindowScreenshot(QWidget &window, const QString &path);
