#include "app/startoptions.h"

#include <QCommandLineParser>

namespace {

QCommandLineOption screenshotOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("screenshot")},
                              QStringLiteral("Render the main window into a PNG file and exit."),
                              QStringLiteral("file"));
}

QCommandLineOption exitWhenReadyOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("exit-when-ready")},
                              QStringLiteral("Print the start-up time once the entry box has the focus, and exit."));
}

QCommandLineOption checkinOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("checkin")},
                              QStringLiteral("Check NUMBER in before the screenshot."), QStringLiteral("number"));
}

QCommandLineOption checkServerOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("check-server")},
                              QStringLiteral("Check the three connections and what the desk reads, and exit."));
}

QCommandLineOption jsonOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("json")},
                              QStringLiteral("With --check-server: print the checks as JSON."));
}

QCommandLineOption forgetCopyOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("forget-copy")},
                              QStringLiteral("Delete this desk's local copy of the invitations, and exit."));
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    StartOptions options;
    QCommandLineParser parser;
    parser.addOption(screenshotOption());
    parser.addOption(exitWhenReadyOption());
    parser.addOption(checkinOption());
    parser.addOption(checkServerOption());
    parser.addOption(jsonOption());
    parser.addOption(forgetCopyOption());
    const CommandLine::Request request = CommandLine::parse(parser, arguments);
    options.help = request.help;
    options.version = request.version;
    options.error = request.error;
    if (request.stops())
        return options;
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().constFirst();
        return options;
    }
    options.screenshotPath = parser.value(screenshotOption());
    options.exitWhenReady = parser.isSet(exitWhenReadyOption());
    options.checkinNumber = parser.value(checkinOption());
    options.checkServer = parser.isSet(checkServerOption());
    options.json = parser.isSet(jsonOption());
    options.forgetCopy = parser.isSet(forgetCopyOption());
    if (options.forgetCopy
        && (options.checkServer || options.json || options.exitWhenReady || parser.isSet(screenshotOption())
            || parser.isSet(checkinOption())))
        options.error = QStringLiteral("--forget-copy is used alone");
    else if (options.json && !options.checkServer)
        options.error = QStringLiteral("--json is only used with --check-server");
    else if (options.checkServer && (parser.isSet(screenshotOption()) || options.exitWhenReady))
        options.error = QStringLiteral(
            "--check-server opens no window: it is not used with --screenshot or --exit-when-ready");
    else if (parser.isSet(screenshotOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--screenshot needs a file name");
    else if (parser.isSet(checkinOption()) && options.checkinNumber.trimmed().isEmpty())
        options.error = QStringLiteral("--checkin needs an invitation number");
    else if (parser.isSet(checkinOption()) && options.screenshotPath.isEmpty())
        options.error = QStringLiteral("--checkin is only used with --screenshot");
    return options;
}

CommandLine::Help StartOptions::commandHelp()
{
    CommandLine::Help help;
    help.program = QStringLiteral("quorvet");
    help.usage = QStringList{QStringLiteral("[--screenshot FILE [--checkin NUMBER] | --exit-when-ready]"),
                             QStringLiteral("--check-server [--json]"), QStringLiteral("--forget-copy")};
    help.description = QStringList{
        QStringLiteral("The entrance desk of an event: type or scan an invitation number into the entry box and "
                       "press Enter; the desk shows the verdict, the guest's member record and photograph, and writes "
                       "the entry time into the check-in database with the database server's clock. Esc undoes the "
                       "last entry."),
        QStringLiteral("Started without options (from the menu: Convites) it opens the desk's window. The options "
                       "below are for screenshots, timing and checking the servers."),
        QStringLiteral("Before the doors open, run quorvet --check-server on each desk machine, as the desk's user "
                       "and with its environment: it opens the three connections as the desk would and prints one "
                       "line per check, \"ok\", \"aviso\" (a warning) or \"FALHA\" with the reason: each "
                       "connection's login, the server's version and collation, every table, view and column the "
                       "desk and its windows read, the right to write tbConvites.checked_in (tried in a transaction "
                       "that is rolled back), the recommended indexes, the server's clock against this machine's, "
                       "the photograph archive folders, and the numbers of invitations, entries and VIP entries. "
                       "It exits 0 when no check failed and 1 otherwise, writes nothing and opens no window."),
        QStringLiteral("Each of the three connections is given by its variable below, as an ADO connection string "
                       "(Provider=SQLOLEDB.1 for SQL Server through FreeTDS, Provider=SQLite for the embedded store) "
                       "or as Registry=ENTRY, which builds it from the values under "
                       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\ENTRY of the registry file. Unset, a connection is "
                       "built from its own entry of the registry file (SqlServer, Zelmar or Korda, as quorvet-setup "
                       "writes them) when the file has it, else from the build's default string."),
    };
    help.options = {
        {QStringLiteral("--screenshot FILE"), QStringLiteral("render the window into the PNG file FILE and exit")},
        {QStringLiteral("--checkin NUMBER"),
         QStringLiteral("with --screenshot: check NUMBER in first and render the window with its verdict")},
        {QStringLiteral("--exit-when-ready"),
         QStringLiteral("print the start-up time once the entry box has the focus, and exit")},
        {QStringLiteral("--check-server"),
         QStringLiteral("check the three connections and everything the desk reads on them; exit 0 when all passed")},
        {QStringLiteral("--json"), QStringLiteral("with --check-server: print the checks as one JSON document")},
        {QStringLiteral("--forget-copy"),
         QStringLiteral("delete the desk's local copy of the invitations and members (it holds personal data)")},
    };
    help.environment = {
        {QStringLiteral("QUORVET_CONNECTION_SQLSERVER"), QStringLiteral("the check-in database's connection string")},
        {QStringLiteral("QUORVET_CONNECTION_ZELMAR"), QStringLiteral("ZELMAR's member database's connection string")},
        {QStringLiteral("QUORVET_CONNECTION_KORDA"), QStringLiteral("KORDA's member database's connection string")},
        {QStringLiteral("QUORVET_REGISTRY_FILE"),
         QStringLiteral("the registry file (default /etc/quorvet/registry.reg)")},
        {QStringLiteral("QUORVET_COMMON_APPDATA"),
         QStringLiteral("the folder holding \"Tarnis Software/RegShadow.db\" (default /var/lib)")},
        {QStringLiteral("QUORVET_MACHINE_ID_FILE"),
         QStringLiteral("the machine identity that decodes stored passwords (default /etc/machine-id)")},
        {QStringLiteral("QUORVET_ERROR_LOG"), QStringLiteral("where error reports are appended")},
        {QStringLiteral("QUORVET_REPLICA"),
         QStringLiteral("the desk's local copy of the invitations (default ~/.local/state/quorvet/replica.db)")},
        {QStringLiteral("QUORVET_OFFLINE"), QStringLiteral("off: the desk keeps no local copy")},
        {QStringLiteral("XDG_STATE_HOME"), QStringLiteral("the default error log's folder (default ~/.local/state)")},
        {QStringLiteral("ODBCSYSINI"),
         QStringLiteral("the folder of odbcinst.ini, where the FreeTDS driver is looked up")},
    };
    help.files = {
        {QStringLiteral("/etc/quorvet/registry.reg"),
         QStringLiteral("read: connection values (regedit format), written by the administrator and readable by the "
                        "desk's users only")},
        {QStringLiteral("/var/lib/Tarnis Software/RegShadow.db"),
         QStringLiteral("read: optional values that take precedence over the registry file")},
        {QStringLiteral("~/.local/state/quorvet/error-reports.log"),
         QStringLiteral("written: one JSON line per unexpected error")},
        {QStringLiteral("/usr/share/doc/quorvet/examples/registry.reg"), QStringLiteral("an example registry file")},
    };
    return help;
}
