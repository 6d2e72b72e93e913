// quorvet-passwd: reads a SQL Server password from standard input (without echo on a
// terminal) and prints the machine-bound text to store as "dtPassword" in the registry file.
#include "platform/passwordcodec.h"

#include <QFile>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstring>
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

int usage(FILE *out, int code)
{
    std::fputs("usage: quorvet-passwd [--machine-id FILE]\n"
               "Reads a password from standard input and prints its encoded form for the\n"
               "\"dtPassword\" registry value. The text decodes only on the machine whose\n"
               "identity file (default $QUORVET_MACHINE_ID_FILE, else /etc/machine-id) is used.\n",
               out);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    QString machineId = PasswordCodec::machineIdPath();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--machine-id") == 0 && i + 1 < argc)
            machineId = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return usage(stdout, 0);
        else
            return usage(stderr, 2);
    }

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

    const QString encoded = PasswordCodec::EncodePassword(QString::fromUtf8(password.data(), qsizetype(password.size())),
                                                          machineId);
    std::fill(password.begin(), password.end(), '\0');
    if (encoded.isEmpty()) {
        std::fputs("quorvet-passwd: the password could not be encoded\n", stderr);
        return 1;
    }
    std::printf("%s\n", encoded.toLatin1().constData());
    return 0;
}
