#pragma once

#include <QString>
#include <QStringList>

// The desk's command-line options, for the tools around it (the desk itself takes none):
//   --screenshot OUT.png   render the main window after loading into a PNG and exit.
//   --checkin NUMBER       with --screenshot: type NUMBER into the entry box and press Enter
//                          first, then render the window once the pause after the verdict ends.
// Unknown options or arguments leave a message in `error`.
struct StartOptions
{
    QString screenshotPath;
    QString checkinNumber;
    QString error;

    static StartOptions parse(const QStringList &arguments);
    static QString usage();
};
