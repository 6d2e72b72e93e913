#pragma once

#include "platform/commandline.h"

#include <QString>
#include <QStringList>

// The desk's command-line options, for the tools around it (an operator starts it without any):
//   --screenshot OUT.png   render the main window after loading into a PNG and exit.
//   --exit-when-ready      once the window is painted and the entry box has the focus, print
//                          "ready <ms since process start> ms <CLOCK_MONOTONIC ns>" and exit
//                          (times the start-up).
//   --checkin NUMBER       with --screenshot: type NUMBER into the entry box and press Enter
//                          first, then render the window once the pause after the verdict ends.
//   --check-server [--json] check the three connections as the desk would use them and print
//                          one line per check (or a JSON document); exit 0 when all passed,
//                          1 otherwise. Needs no display and writes nothing.
//   --forget-copy          delete the desk's local copy (LocalReplica) and exit.
//   -h, --help / --version (platform/commandline.h).
// Unknown options or arguments leave a message in `error`.
struct StartOptions
{
    QString screenshotPath;
    bool exitWhenReady = false;
    QString checkinNumber;
    bool checkServer = false;
    bool json = false;
    bool forgetCopy = false;
    bool help = false;
    bool version = false;
    QString error;

    static StartOptions parse(const QStringList &arguments);
    static CommandLine::Help commandHelp();
    CommandLine::Request request() const { return {help, version, error}; }
};
