// quorvet-setup: the set-up window of a desk machine (menu: Configurar Convites). With
// --save-to FILE (run through pkexec by the window itself) it applies the connection values
// given on standard input to FILE, as "Guardar" does, without a window.
#include "data/connectionsetup.h"
#include "platform/buildinfo.h"
#include "platform/commandline.h"
#include "platform/registryfile.h"
#include "tools/setup/setupwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

CommandLine::Help commandHelp()
{
    CommandLine::Help help;
    help.program = QStringLiteral("quorvet-setup");
    help.usage = QStringList{QStringLiteral("[--save-to FILE]")};
    help.description = QStringList{
        QStringLiteral("Opens the set-up window of a Quorvet desk machine (from the menu: Configurar Convites). It "
                       "has one page for each of the desk's connections (SqlServer, ZELMAR, KORDA) with the server, "
                       "database, user, password and Persist Security Info that the registry file holds under "
                       "HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorix\\SqlServer, Zelmar and Korda. \"Testar ligação\" logs "
                       "in with the connection string the desk would use and runs the desk's probe; \"Guardar\" "
                       "writes the registry file, with the passwords encoded for this machine as quorvet-passwd "
                       "does, keeping the file's owner, group and mode (a new file gets mode 0640 and the group "
                       "quorvet-desk). When the user may not write the file, the window offers to save it through "
                       "pkexec. The desk then builds its connections from the file without any environment "
                       "variable."),
        QStringLiteral("With --save-to the program opens no window: it reads the three connections' values as "
                       "registry file text on standard input (an empty dtPassword keeps the stored one), applies "
                       "them to FILE and saves it in the same way. This is what the window runs through pkexec."),
    };
    help.options = {{QStringLiteral("--save-to FILE"),
                     QStringLiteral("apply the values on standard input to the registry file FILE, without a window")}};
    help.environment = {
        {QStringLiteral("QUORVET_REGISTRY_FILE"),
         QStringLiteral("the registry file (default /etc/quorvet/registry.reg)")},
        {QStringLiteral("QUORVET_MACHINE_ID_FILE"),
         QStringLiteral("the machine identity the passwords are encoded for (default /etc/machine-id)")},
    };
    help.files = {
        {QStringLiteral("/etc/quorvet/registry.reg"),
         QStringLiteral("read and written: the desk's connection values (regedit format)")},
        {QStringLiteral("/etc/machine-id"), QStringLiteral("read: this machine's identity")},
        {QStringLiteral("/usr/bin/quorvet"), QStringLiteral("run: quorvet --check-server, when the desk has it")},
    };
    return help;
}

// The desk program beside this one, else the one on the PATH.
QString deskProgram()
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvet"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStandardPaths::findExecutable(QStringLiteral("quorvet"));
}

int saveTo(const QString &path)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        std::fputs("quorvet-setup: standard input cannot be read\n", stderr);
        return 1;
    }
    const QByteArray changes = input.readAll();
    const RegistryFile parsed = RegistryFile::parse(changes);
    if (parsed.keys().isEmpty() || !parsed.problems().isEmpty()) {
        std::fputs("quorvet-setup: standard input holds no connection values in registry file form\n", stderr);
        return 1;
    }
    const RegistryWriter::SaveResult result = ConnectionSetup::save(path, changes);
    if (result.outcome != RegistryWriter::SaveResult::Saved) {
        std::fprintf(stderr, "quorvet-setup: %s\n", result.message.toUtf8().constData());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCommandLineParser parser;
    const QCommandLineOption saveToOption(QStringLiteral("save-to"), QString(), QStringLiteral("FILE"));
    parser.addOption(saveToOption);
    CommandLine::Request request = CommandLine::parse(parser, CommandLine::arguments(argc, argv));
    if (!request.stops() && !parser.positionalArguments().isEmpty())
        request.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
    const int answered = CommandLine::answer(request, commandHelp(), BuildInfo::version(), BuildInfo::commit());
    if (answered >= 0)
        return answered;
    if (parser.isSet(saveToOption))
        return saveTo(parser.value(saveToOption));

    QApplication app(argc, argv);
    SetupWindow window(RegistryFile::defaultPath(), deskProgram());
    window.resize(640, 520);
    window.show();
    return app.exec();
}
