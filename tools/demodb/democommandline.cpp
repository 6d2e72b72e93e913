#include "tools/demodb/democommandline.h"

#include "tools/demodb/demosamples.h"

#include <QCommandLineParser>

namespace {

const QString Usage = QStringLiteral(
    "Usage: quorvet-demo-db DIR [--invitations N] [--members N] [--seed S] [--force] [--print-env]\n"
    "       quorvet-demo-db --list\n"
    "\n"
    "Creates the embedded (SQLite) demo databases of the Quorvet desk in DIR: checkin.db\n"
    "(tbConvites and ZELMAR's members), korda.db (KORDA's members and tbConvites_VIPs) and\n"
    "the photograph archives archive-zelmar and archive-korda. The databases name the archives\n"
    "by absolute path, so build a new set rather than moving one.\n"
    "\n"
    "  --invitations N  generated invitations beside the fixed samples, numbered from 200000 (default 200)\n"
    "  --members N      generated members per organisation beside the named samples (default 40)\n"
    "  --seed S         seed of the generated data (default 1)\n"
    "  --force          replace an existing set in DIR\n"
    "  --print-env      print the connection strings as shell assignments on standard output;\n"
    "                   use: set -a; eval \"$(quorvet-demo-db DIR --print-env)\"; set +a\n"
    "  --list           print the sample invitations and what the desk shows for each\n"
    "  --help           show this text\n");

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

QString DemoCommandLine::helpText()
{
    return Usage;
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
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    parser.addOptions({invitations, members, seed, force, printEnv, list, help});
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    parsed.help = parser.isSet(help);
    parsed.list = parser.isSet(list);
    parsed.printEnv = parser.isSet(printEnv);
    parsed.options.force = parser.isSet(force);
    if (parsed.help || parsed.list)
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
