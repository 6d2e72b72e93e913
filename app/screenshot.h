#pragma once

#include <QString>

class QWidget;
class frmMain;

// Renders a shown window, once the pending layout and paint events have run, into a PNG.
// Returns false (and says why on stderr) when the file cannot be written.
bool saveWindowScreenshot(QWidget &window, const QString &path);

// Checks number in through the window's own entry box, as the operator does: the number
// typed key by key, then Enter. Waits (at most a few seconds) until the pause after the
// verdict has ended, so the window shows the verdict and the panel with the box given back.
// Returns false when the pause did not end.
bool checkInForScreenshot(frmMain &window, const QString &number);
