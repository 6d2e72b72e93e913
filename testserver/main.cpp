// quorvet-tds-server: a TDS 7.4 server for tests and demonstrations that answers from
// SQLite files through the embedded store's T-SQL translation, so that the FreeTDS ODBC
// driver (and any conforming TDS client) can be exercised without SQL Server. It is not a
// database for production: no encryption, one user, no transactions beyond SQLite's own.
// Usage: see serverUsage (quorvet-tds-server --help).
#include "data/providersession.h"
#include "testserver/catalogsession.h"
#include "testserver/serverlog.h"
#include "testserver/serveroptions.h"
#include "testserver/tdsserver.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    // SIGTERM and SIGINT are read from a descriptor by the accept loop; every thread
    // started later inherits the mask, so no thread is ever interrupted by them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    ServerOptions options;
    std::string error;
    if (!parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
        std::fprintf(stderr, "quorvet-tds-server: %s\n%s", error.c_str(), serverUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(serverUsage, stdout);
        return 0;
    }
    for (const CatalogFile &catalog : options.catalogs) {
        try {
            openCatalogSession(catalog);
        } catch (const ProviderFailure &failure) {
            std::fprintf(stderr, "quorvet-tds-server: catalog %s cannot be opened: %s\n", catalog.name.c_str(),
                         failure.description.toUtf8().constData());
            return 2;
        }
    }

    ServerLog log;
    TdsServer server(options, log);
    if (!server.listen(&error)) {
        std::fprintf(stderr, "quorvet-tds-server: %s\n", error.c_str());
        return 1;
    }
    const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (!options.instance.empty())
        log.line("browser on " + options.host + ":" + std::to_string(server.browserPort()) + " for instance "
                 + options.instance);
    std::printf("listening on %s:%u\n", options.host.c_str(), unsigned(server.port()));
    std::fflush(stdout);
    server.run(stopFd);
    close(stopFd);
    log.line("stopped");
    return 0;
}
