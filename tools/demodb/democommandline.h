#pragma once

#include "platform/commandline.h"
#include "tools/demodb/demodatabasebuilder.h"

#include <QString>
#include <QStringList>

// The command line of quorvet-demo-db:
//   quorvet-demo-db DIR [--invitations N] [--members N] [--seed S] [--force] [--print-env]
//   quorvet-demo-db --list
//   quorvet-demo-db -h|--help|--version
// parse() never exits the process: a bad command line comes back as an error text.
namespace DemoCommandLine {

struct Parsed
{
    DemoOptions options;
    bool list = false;     // print the sample invitation table and stop
    bool printEnv = false; // print the connection strings after building
    bool help = false;
    bool version = false;
    QString error; // not empty when the command line is unusable
};

// arguments include the program name first, as QCoreApplication::arguments() gives them.
Parsed parse(const QStringList &arguments);
CommandLine::Help commandHelp();

// The help, version and error part of a parsed command line (platform/commandline.h).
inline CommandLine::Request request(const Parsed &parsed)
{
    return {parsed.help, parsed.version, parsed.error};
}

} // namespace DemoCommandLine
