#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The command line of quorvet-tds-server, read into plain values. Parsing checks the form
// of every argument; whether the files open is checked by the caller before listening.
struct CatalogFile
{
    std::string name; // as the login names it (compared without regard to case)
    std::string file;
    std::vector<std::string> attached; // files attached to each session of this catalog
};

struct ServerOptions
{
    std::string host;  // an IPv4 address
    uint16_t port = 0; // 0: any free port
    std::string user;
    std::string password;
    std::vector<CatalogFile> catalogs; // the first is the default of a login that names none
    std::string instance;              // answered on the browser port when not empty
    int browserPort = -1;              // UDP; 0 picks a free port
    int dropAfter = 0;                 // close each connection after this many packets (0: never)
    int stallMs = 0;                   // delay before every reply
    int stallAfterLoginMs = 0;         // delay before every reply to a request after login
    std::string dropAfterBatch;        // run each SQL batch holding this text, then close unanswered
    int maxConnections = 256;          // connections served at once; a login beyond them is refused
    int idleTimeoutS = 1800;           // end a connection that sends nothing for this long (0: never)
    bool help = false;
};

// False with a message in *error when the arguments are not usable.
bool parseServerOptions(const std::vector<std::string> &arguments, ServerOptions *options, std::string *error);

extern const char *const serverUsage;

// The catalog with that name (compared without regard to ASCII case), or nullptr.
const CatalogFile *findCatalog(const ServerOptions &options, const std::string &name);
