#pragma once

#include <QString>
#include <QStringList>

// The desk's command-line options, for the tools around it (the desk itself takes none):
//   --screenshot OUT.png   render the main window after loading into a PNG and exit.
//   --exit-when-ready      once the window is painted and the entry box has the focus, print
//                          "ready <ms since process start> ms <CLOCK_MONOTONIC ns>" and exit
//                          (times the start-up).
//   --checkin NUMBER       with --screenshot: type NUMBER into the entry box and press Enter
//                          first, then render the window once the pause after the verdict ends.
// Unknown options or arguments leave a message in `error`.
struct StartOptions
{
    QString screenshotPath;
    bool exitWhenReady = false;
    QString checkinNumber;
    QString error;

    static StartOptions parse(const QStringList &arguments);
    static QString usage();
};
