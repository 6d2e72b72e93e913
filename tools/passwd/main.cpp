// quorvet-passwd: reads a SQL Server password from standard input (without echo on a
// terminal) and prints the machine-bound text to store as "dtPassword" in the registry file.
#include "platform/buildinfo.h"
#include "platform/commandline.h"
#include "platform/passwordcodec.h"

#include <QCommandLineParser>
#include <QFile>
#include <QString>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

termios savedTerminal;
volatile std::sig_atomic_t echoOff = 0;

void restoreEcho()
{
    if (echoOff) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoOff = 0;
    }
}

void onSignal(int signal)
{
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line typed without echo; false at end of input.
bool readHidden(const char *prompt, std::string &line)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios quiet;
    if (tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        quiet = savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        echoOff = 1;
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    const bool ok = bool(std::getline(std::cin, line));
    restoreEcho();
    return ok;
}

CommandLine::Help commandHelp()
{
    CommandLine::Help help;
    help.program = QStringLiteral("quorvet-passwd");
    help.usage = QStringList{QStringLiteral("[--machine-id FILE]")};
    help.description = QStringList{
        QStringLiteral("Reads a SQL Server password from standard input (typed twice without echo on a terminal, "
                       "or the first line of a pipe) and prints its encoded form, to paste as the \"dtPassword\" "
                       "value of the desk's registry file. The text decodes only on the machine whose identity file "
                       "was used, so run it on the desk machine or give that machine's identity with --machine-id."),
    };
    help.options = {{QStringLiteral("--machine-id FILE"),
                     QStringLiteral("encode for the machine whose identity (its /etc/machine-id) is in FILE")}};
    help.environment = {{QStringLiteral("QUORVET_MACHINE_ID_FILE"),
                         QStringLiteral("the identity file used without --machine-id (default /etc/machine-id)")}};
    help.files = {
        {QStringLiteral("/etc/machine-id"), QStringLiteral("read: this machine's identity")},
        {QStringLiteral("/etc/quorvet/registry.reg"),
         QStringLiteral("where the printed text goes, as \"dtPassword\" (the program writes only to standard "
                        "output)")},
    };
    return help;
}

} // namespace

int main(int argc, char **argv)
{
    QCommandLineParser parser;
    const QCommandLineOption machineIdOption(QStringLiteral("machine-id"), QString(), QStringLiteral("FILE"));
    parser.addOption(machineIdOption);
    CommandLine::Request request = CommandLine::parse(parser, CommandLine::arguments(argc, argv));
    if (!request.stops() && !parser.positionalArguments().isEmpty())
        request.error = QStringLiteral("unexpected argument: ") + parser.positionalArguments().constFirst();
    const int answered = CommandLine::answer(request, commandHelp(), BuildInfo::version(), BuildInfo::commit());
    if (answered >= 0)
        return answered;
    const QString machineId = parser.isSet(machineIdOption) ? parser.value(machineIdOption)
                                                            : PasswordCodec::machineIdPath();

    QFile identity(machineId);
    if (!identity.open(QIODevice::ReadOnly) || identity.read(4096).trimmed().isEmpty()) {
        std::fprintf(stderr, "quorvet-passwd: the machine identity %s cannot be read\n",
                     QFile::encodeName(machineId).constData());
        return 1;
    }

    std::string password;
    if (isatty(STDIN_FILENO)) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::string again;
        if (!readHidden("Password: ", password) || !readHidden("Password again: ", again)) {
            std::fputs("quorvet-passwd: no password given\n", stderr);
            return 1;
        }
        if (password != again) {
            std::fputs("quorvet-passwd: the two passwords differ\n", stderr);
            return 1;
        }
    } else if (!std::getline(std::cin, password)) {
        password.clear();
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty()) {
        std::fputs("quorvet-passwd: the password is empty\n", stderr);
        return 1;
    }

    const QString encoded = PasswordCodec::EncodePassword(
        QString::fromUtf8(password.data(), qsizetype(password.size())), machineId);
    std::fill(password.begin(), password.end(), '\0');
    if (encoded.isEmpty()) {
        std::fputs("quorvet-passwd: the password could not be encoded\n", stderr);
        return 1;
    }
    std::printf("%s\n", encoded.toLatin1().constData());
    return 0;
}
