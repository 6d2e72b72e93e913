#include "testserver/serveroptions.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

const char *const serverUsage
    = "usage: quorvet-tds-server --listen HOST:PORT --user NAME --password PW\n"
      "           --catalog NAME=FILE [--catalog NAME=FILE ...] [--attach NAME=FILE ...]\n"
      "           [--instance NAME --browser-port UDPPORT] [--drop-after N] [--stall-ms MS]\n"
      "           [--stall-after-login MS] [--drop-after-batch TEXT] [--max-connections N]\n"
      "           [--idle-timeout SECONDS]\n"
      "A TDS 7.4 server for tests and demonstrations that answers from SQLite files; not a database for production.\n"
      "  --listen HOST:PORT   IPv4 address and TCP port (0 picks a free one); prints 'listening on HOST:PORT'\n"
      "  --catalog NAME=FILE  a database a login may name (the first is the default)\n"
      "  --attach NAME=FILE   a file attached to every session of catalog NAME\n"
      "  --instance NAME      answer the SQL Server Browser's query for this instance on --browser-port (UDP)\n"
      "  --drop-after N       close each connection when its Nth packet arrives, without answering it\n"
      "  --stall-ms MS        wait MS milliseconds before every reply (an attention cancels the wait)\n"
      "  --stall-after-login MS\n"
      "                       the same for the requests after login only: logins are answered at once\n"
      "  --drop-after-batch TEXT\n"
      "                       run each SQL batch whose text holds TEXT (ASCII case ignored), then close\n"
      "                       its connection before the reply is sent\n"
      "  --max-connections N  serve at most N connections at once (default 256); a login beyond them is\n"
      "                       refused with SQL Server's error 17809\n"
      "  --idle-timeout SECONDS\n"
      "                       end a connection that sends nothing for SECONDS (default 1800; 0: never)\n";

namespace {

bool number(const std::string &text, long min, long max, long *value)
{
    if (text.empty() || text.size() > 9
        || !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    *value = std::strtol(text.c_str(), nullptr, 10);
    return *value >= min && *value <= max;
}

bool sameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool nameAndFile(const std::string &value, std::string *name, std::string *file)
{
    const size_t eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
        return false;
    *name = value.substr(0, eq);
    *file = value.substr(eq + 1);
    return true;
}

} // namespace

const CatalogFile *findCatalog(const ServerOptions &options, const std::string &name)
{
    for (const CatalogFile &c : options.catalogs)
        if (sameName(c.name, name))
            return &c;
    return nullptr;
}

bool parseServerOptions(const std::vector<std::string> &arguments, ServerOptions *options, std::string *error)
{
    ServerOptions o;
    std::vector<std::pair<std::string, std::string>> attaches;
    bool listen = false, user = false, password = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        const size_t eq = option.find('=');
        if (option.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option = option.substr(0, eq);
        } else if (option == "--help" || option == "-h") {
            o.help = true;
            continue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            *error = option + " needs a value";
            return false;
        }
        long n = 0;
        if (option == "--listen") {
            const size_t colon = value.rfind(':');
            in_addr address{};
            if (colon == std::string::npos || inet_pton(AF_INET, value.substr(0, colon).c_str(), &address) != 1
                || !number(value.substr(colon + 1), 0, 65535, &n)) {
                *error = "--listen wants IPV4ADDRESS:PORT, not '" + value + "'";
                return false;
            }
            o.host = value.substr(0, colon);
            o.port = uint16_t(n);
            listen = true;
        } else if (option == "--user") {
            o.user = value;
            user = !value.empty();
        } else if (option == "--password") {
            o.password = value;
            password = true;
        } else if (option == "--catalog") {
            CatalogFile c;
            if (!nameAndFile(value, &c.name, &c.file)) {
                *error = "--catalog wants NAME=FILE, not '" + value + "'";
                return false;
            }
            if (findCatalog(o, c.name)) {
                *error = "catalog '" + c.name + "' is given twice";
                return false;
            }
            o.catalogs.push_back(c);
        } else if (option == "--attach") {
            std::string name, file;
            if (!nameAndFile(value, &name, &file)) {
                *error = "--attach wants CATALOG=FILE, not '" + value + "'";
                return false;
            }
            attaches.emplace_back(name, file);
        } else if (option == "--instance") {
            if (value.empty() || value.size() > 32) {
                *error = "--instance wants a name of 1 to 32 characters";
                return false;
            }
            o.instance = value;
        } else if (option == "--browser-port") {
            if (!number(value, 0, 65535, &n)) {
                *error = "--browser-port wants a UDP port number, not '" + value + "'";
                return false;
            }
            o.browserPort = int(n);
        } else if (option == "--drop-after") {
            if (!number(value, 1, 100000000, &n)) {
                *error = "--drop-after wants a number of packets of at least 1, not '" + value + "'";
                return false;
            }
            o.dropAfter = int(n);
        } else if (option == "--stall-ms") {
            if (!number(value, 0, 3600000, &n)) {
                *error = "--stall-ms wants milliseconds (0 to 3600000), not '" + value + "'";
                return false;
            }
            o.stallMs = int(n);
        } else if (option == "--stall-after-login") {
            if (!number(value, 0, 3600000, &n)) {
                *error = "--stall-after-login wants milliseconds (0 to 3600000), not '" + value + "'";
                return false;
            }
            o.stallAfterLoginMs = int(n);
        } else if (option == "--drop-after-batch") {
            if (value.empty()) {
                *error = "--drop-after-batch wants a text to look for in each batch";
                return false;
            }
            o.dropAfterBatch = value;
        } else if (option == "--max-connections") {
            if (!number(value, 1, 100000, &n)) {
                *error = "--max-connections wants a number of connections (1 to 100000), not '" + value + "'";
                return false;
            }
            o.maxConnections = int(n);
        } else if (option == "--idle-timeout") {
            if (!number(value, 0, 86400, &n)) {
                *error = "--idle-timeout wants seconds (0 to 86400), not '" + value + "'";
                return false;
            }
            o.idleTimeoutS = int(n);
        } else {
            *error = "unknown option '" + option + "'";
            return false;
        }
    }
    if (o.help) {
        *options = o;
        return true;
    }
    if (!listen || !user || !password || o.catalogs.empty()) {
        *error = "--listen, --user, --password and at least one --catalog are needed";
        return false;
    }
    for (const auto &[name, file] : attaches) {
        CatalogFile *catalog = const_cast<CatalogFile *>(findCatalog(o, name));
        if (!catalog) {
            *error = "--attach names catalog '" + name + "', which no --catalog gives";
            return false;
        }
        catalog->attached.push_back(file);
    }
    if (o.instance.empty() != (o.browserPort < 0)) {
        *error = "--instance and --browser-port go together";
        return false;
    }
    *options = o;
    return true;
}
