#include "tools/demodb/democommandline.h"

#include "tools/demodb/demosamples.h"

#include <QCommandLineParser>

namespace {

bool readCount(const QString &text, int64_t maximum, int64_t &result)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0 || value > maximum)
        return false;
    result = value;
    return true;
}

} // namespace

CommandLine::Help DemoCommandLine::commandHelp()
{
    CommandLine::Help help;
    help.program = QStringLiteral("quorvet-demo-db");
    help.usage = QStringList{QStringLiteral("DIR [--invitations N] [--members N] [--seed S] [--force] [--print-env]"),
                             QStringLiteral("--list")};
    help.description = QStringList{
        QStringLiteral("Creates the embedded (SQLite) demo databases of the Quorvet desk in DIR: checkin.db "
                       "(tbConvites and ZELMAR's members), korda.db (KORDA's members and tbConvites_VIPs) and the "
                       "photograph archives archive-zelmar and archive-korda. The databases name the archives by "
                       "absolute path, so build a new set rather than moving one."),
        QStringLiteral("Progress goes to standard error. To start the desk on the set: "
                       "set -a; eval \"$(quorvet-demo-db DIR --print-env)\"; set +a; quorvet"),
    };
    help.options = {
        {QStringLiteral("--invitations N"),
         QStringLiteral("generated invitations beside the fixed samples, numbered from 200000 (default 200)")},
        {QStringLiteral("--members N"),
         QStringLiteral("generated members per organisation beside the named samples (default 40)")},
        {QStringLiteral("--seed S"), QStringLiteral("seed of the generated data (default 1)")},
        {QStringLiteral("--force"), QStringLiteral("replace an existing set in DIR")},
        {QStringLiteral("--print-env"),
         QStringLiteral("print the desk's QUORVET_CONNECTION_* variables for the set as shell assignments on standard "
                        "output")},
        {QStringLiteral("--list"), QStringLiteral("print the sample invitations and what the desk shows for each")},
    };
    help.files = {
        {QStringLiteral("DIR/checkin.db, DIR/korda.db"), QStringLiteral("written: the demo databases")},
        {QStringLiteral("DIR/archive-zelmar, DIR/archive-korda"), QStringLiteral("written: the photographs")},
    };
    return help;
}

DemoCommandLine::Parsed DemoCommandLine::parse(const QStringList &arguments)
{
    Parsed parsed;
    QCommandLineParser parser;
    const QCommandLineOption invitations(QStringLiteral("invitations"), QString(), QStringLiteral("N"));
    const QCommandLineOption members(QStringLiteral("members"), QString(), QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("S"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption printEnv(QStringLiteral("print-env"));
    const QCommandLineOption list(QStringLiteral("list"));
    parser.addOptions({invitations, members, seed, force, printEnv, list});
    const CommandLine::Request request = CommandLine::parse(parser, arguments);
    parsed.help = request.help;
    parsed.version = request.version;
    parsed.error = request.error;
    if (request.stops())
        return parsed;
    parsed.list = parser.isSet(list);
    parsed.printEnv = parser.isSet(printEnv);
    parsed.options.force = parser.isSet(force);
    if (parsed.list)
        return parsed;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        parsed.error = positional.isEmpty() ? QStringLiteral("no folder given")
                                            : QStringLiteral("only one folder can be given");
        return parsed;
    }
    parsed.options.directory = positional.first();
    if (parser.isSet(invitations)
        && !readCount(parser.value(invitations), DemoSamples::MaxInvitations, parsed.options.invitations)) {
        parsed.error = QStringLiteral("--invitations takes a number from 0 to %1").arg(DemoSamples::MaxInvitations);
    } else if (parser.isSet(members)
               && !readCount(parser.value(members), DemoSamples::MaxMembers, parsed.options.members)) {
        parsed.error = QStringLiteral("--members takes a number from 0 to %1").arg(DemoSamples::MaxMembers);
    } else if (parser.isSet(seed)) {
        bool ok = false;
        parsed.options.seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            parsed.error = QStringLiteral("--seed takes a whole number");
    }
    return parsed;
}
