#pragma once

#include "tools/demodb/demodatabasebuilder.h"

#include <QString>
#include <QStringList>

// The command line of quorvet-demo-db:
//   quorvet-demo-db DIR [--invitations N] [--members N] [--seed S] [--force] [--print-env]
//   quorvet-demo-db --list
// parse() never exits the process: a bad command line comes back as an error text.
namespace DemoCommandLine {

struct Parsed
{
    DemoOptions options;
    bool list = false; // print the sample invitation table and stop
    bool printEnv = false; // print the connection strings after building
    bool help = false;
    QString error; // not empty when the command line is unusable
};

// arguments include the program name first, as QCoreApplication::arguments() gives them.
Parsed parse(const QStringList &arguments);
QString helpText();

} // namespace DemoCommandLine
