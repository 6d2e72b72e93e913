#include "testserver/tdsconnection.h"

#include "data/providersession.h"
#include "data/sqlitesession.h"
#include "testserver/batchrunner.h"
#include "testserver/catalogsession.h"
#include "testserver/serverlog.h"
#include "testserver/servermessages.h"
#include "testserver/tdsmessages.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>

namespace {

const std::u16string ServerName = u"quorvet-tds-server";

bool sameUser(const std::u16string &a, const std::string &b)
{
    const std::u16string other = toUtf16(b);
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char16_t x, char16_t y) {
               const auto lower = [](char16_t c) { return c < 128 ? char16_t(std::tolower(int(c))) : c; };
               return lower(x) == lower(y);
           });
}

// Whether batch holds text, ASCII letters compared without regard to case.
bool holds(const std::u16string &batch, const std::string &text)
{
    const std::u16string wanted = toUtf16(text);
    const auto lower = [](char16_t c) { return c < 128 ? char16_t(std::tolower(int(c))) : c; };
    return std::search(batch.begin(), batch.end(), wanted.begin(), wanted.end(),
                       [&](char16_t x, char16_t y) { return lower(x) == lower(y); })
           != batch.end();
}

} // namespace

TdsConnection::TdsConnection(int socket, int stopFd, uint16_t spid, const ServerOptions &options, ServerLog &log)
    : m_socket(socket), m_stopFd(stopFd), m_spid(spid), m_options(options), m_log(log)
{
}

TdsConnection::~TdsConnection() = default;

void TdsConnection::closing(const std::string &why)
{
    m_log.line("closed connection " + std::to_string(m_spid) + ": " + why);
}

bool TdsConnection::readPacket(Tds::Packet &packet)
{
    for (;;) {
        switch (m_reader.next(packet)) {
        case Tds::PacketReader::Result::Packet: return true;
        case Tds::PacketReader::Result::Malformed: closing(m_reader.problem()); return false;
        case Tds::PacketReader::Result::NeedMore: break;
        }
        // A full server waits only briefly for the login it is going to refuse.
        const int idleMs = m_full ? 5000 : m_options.idleTimeoutS > 0 ? m_options.idleTimeoutS * 1000 : -1;
        switch (receive(idleMs)) {
        case Received::Data: break;
        case Received::Closed: return false;
        case Received::Nothing: closing("idle for " + std::to_string(idleMs / 1000) + " s"); return false;
        }
    }
}

TdsConnection::Received TdsConnection::receive(int timeoutMs)
{
    for (;;) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        const int ready = poll(fds, 2, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[1].revents)
            return Received::Closed; // the server is stopping
        if (ready == 0)
            return Received::Nothing;
        uint8_t buffer[16384];
        const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Received::Closed; // the client went away
        m_reader.append(buffer, size_t(n));
        return Received::Data;
    }
}

// Counts a packet received; false when --drop-after says the connection ends here.
bool TdsConnection::counted()
{
    ++m_packetsReceived;
    if (m_options.dropAfter > 0 && m_packetsReceived >= m_options.dropAfter) {
        m_log.line("dropped connection " + std::to_string(m_spid) + " at packet " + std::to_string(m_packetsReceived));
        return false;
    }
    return true;
}

TdsConnection::Wait TdsConnection::stall(int ms)
{
    if (ms <= 0)
        return Wait::Ready;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        // While a request waits, the client may only cancel it; the cancel may already
        // have arrived in the same read as the request.
        Tds::Packet packet;
        switch (m_reader.next(packet)) {
        case Tds::PacketReader::Result::Malformed: closing(m_reader.problem()); return Wait::Closed;
        case Tds::PacketReader::Result::Packet:
            if (!counted())
                return Wait::Closed;
            if (packet.type != Tds::Attention || m_state != State::LoggedIn) {
                closing("a request arrived while another was waiting for its reply");
                return Wait::Closed;
            }
            return Wait::Attention;
        case Tds::PacketReader::Result::NeedMore: break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return Wait::Ready;
        switch (receive(int(left))) {
        case Received::Closed: return Wait::Closed;
        case Received::Nothing: return Wait::Ready;
        case Received::Data: break;
        }
    }
}

bool TdsConnection::send(const Bytes &payload)
{
    const Bytes packets = Tds::packetize(Tds::TabularResult, payload, m_packetSize, m_spid);
    size_t sent = 0;
    while (sent < packets.size()) {
        const ssize_t n = ::send(m_socket, packets.data() + sent, packets.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += size_t(n);
    }
    return true;
}

void TdsConnection::serve()
{
    for (;;) {
        Tds::Packet packet;
        if (!readPacket(packet) || !counted())
            return;
        if (packet.type == Tds::Attention) {
            // A cancel that comes after the whole reply was sent still gets its acknowledgement.
            if (m_state != State::LoggedIn || m_assembler.inMessage()) {
                closing("attention outside a session");
                return;
            }
            ByteWriter ack;
            TdsToken::done(ack, TdsToken::DoneAttention);
            if (!send(ack.data()))
                return;
            continue;
        }
        Tds::Message message;
        switch (m_assembler.add(std::move(packet), message)) {
        case Tds::MessageAssembler::Result::NeedMore:
        case Tds::MessageAssembler::Result::Ignored: continue;
        case Tds::MessageAssembler::Result::Malformed: closing(m_assembler.problem()); return;
        case Tds::MessageAssembler::Result::Message: break;
        }
        if (!handle(message))
            return;
    }
}

bool TdsConnection::handle(const Tds::Message &message)
{
    switch (message.type) {
    case Tds::PreLogin: {
        if (m_state != State::PreLogin || !Tds::parsePreLogin(message.data)) {
            closing(m_state != State::PreLogin ? "PRELOGIN out of place" : "malformed PRELOGIN");
            return false;
        }
        m_state = State::Login;
        return stall(m_options.stallMs) == Wait::Ready && send(Tds::preLoginResponse());
    }
    case Tds::Login7:
        if (m_state == State::LoggedIn) {
            closing("LOGIN7 in a session");
            return false;
        }
        return login(message);
    case Tds::SqlBatch:
    case Tds::Rpc:
    case Tds::TransactionManager: {
        if (m_state != State::LoggedIn) {
            closing("request before login");
            return false;
        }
        ByteWriter reply;
        std::optional<std::u16string> batch;
        if (message.type == Tds::SqlBatch) {
            batch = Tds::parseSqlBatch(message.data);
            if (!batch) {
                closing("malformed SQL batch");
                return false;
            }
        }
        switch (stall(m_options.stallMs + m_options.stallAfterLoginMs)) {
        case Wait::Closed: return false;
        case Wait::Attention: // cancelled before it ran
            TdsToken::done(reply, TdsToken::DoneAttention);
            return send(reply.data());
        case Wait::Ready: break;
        }
        if (batch) {
            m_runner->run(*batch, reply);
            // Run and committed, but the client never hears of it: a link lost at the worst moment.
            if (!m_options.dropAfterBatch.empty() && holds(*batch, m_options.dropAfterBatch)) {
                m_log.line("dropped connection " + std::to_string(m_spid) + " after running a batch");
                return false;
            }
        } else {
            TdsToken::ServerMessage m = ServerMessages::unsupportedRequest(
                message.type == Tds::Rpc ? "RPC" : "Transaction manager");
            m.serverName = ServerName;
            TdsToken::error(reply, m);
            TdsToken::done(reply, TdsToken::DoneError);
        }
        return send(reply.data());
    }
    default: closing("unexpected message of type " + std::to_string(message.type)); return false;
    }
}

bool TdsConnection::refuse(const std::u16string &user, TdsToken::ServerMessage message)
{
    message.serverName = ServerName;
    ByteWriter reply;
    TdsToken::error(reply, message);
    TdsToken::done(reply, TdsToken::DoneError);
    m_log.line("login refused " + toUtf8(user));
    send(reply.data());
    return false;
}

bool TdsConnection::login(const Tds::Message &message)
{
    const std::optional<Tds::Login7Request> request = Tds::parseLogin7(message.data);
    if (!request) {
        closing("malformed LOGIN7");
        return false;
    }
    if (stall(m_options.stallMs) != Wait::Ready)
        return false;
    if (m_full)
        return refuse(request->userName, ServerMessages::tooManyConnections(m_options.maxConnections));
    if (request->tdsVersion < 0x72000000)
        return refuse(request->userName, ServerMessages::unsupportedVersion(request->tdsVersion));
    if (request->integratedSecurity || !sameUser(request->userName, m_options.user)
        || request->password != toUtf16(m_options.password))
        return refuse(request->userName, ServerMessages::loginFailed(request->userName));
    const CatalogFile *catalog = request->database.empty() ? &m_options.catalogs.front()
                                                           : findCatalog(m_options, toUtf8(request->database));
    if (!catalog)
        return refuse(request->userName, ServerMessages::cannotOpenDatabase(request->database));
    std::shared_ptr<SqliteSession> session;
    try {
        session = openCatalogSession(*catalog);
    } catch (const ProviderFailure &failure) {
        m_log.line("catalog " + catalog->name + " did not open: " + failure.description.toStdString());
        return refuse(request->userName, ServerMessages::cannotOpenDatabase(toUtf16(catalog->name)));
    }
    m_runner = std::make_unique<BatchRunner>(std::move(session), ServerName);

    const uint32_t version = std::min(request->tdsVersion, Tds::Version74);
    const size_t packetSize = request->packetSize == 0
                                  ? Tds::DefaultPacketSize
                                  : std::clamp<size_t>(request->packetSize, Tds::MinPacketSize, Tds::MaxPacketSize);
    const std::u16string database = toUtf16(catalog->name);
    ByteWriter reply;
    TdsToken::envChange(reply, TdsToken::EnvDatabase, database, u"master");
    TdsToken::ServerMessage changed;
    changed.number = 5701;
    changed.severity = 0;
    changed.state = 2;
    changed.text = u"Changed database context to '" + database + u"'.";
    changed.serverName = ServerName;
    TdsToken::info(reply, changed);
    TdsToken::envChangeCollation(reply);
    TdsToken::envChange(reply, TdsToken::EnvLanguage, u"us_english", u"");
    TdsToken::loginAck(reply, version, ServerName);
    const std::u16string size = toUtf16(std::to_string(packetSize));
    TdsToken::envChange(reply, TdsToken::EnvPacketSize, size, toUtf16(std::to_string(m_packetSize)));
    TdsToken::done(reply, TdsToken::DoneFinal);
    // Logged before the reply, so that a client that has its session finds the line written.
    m_log.line("login " + toUtf8(request->userName) + " " + catalog->name);
    if (!send(reply.data()))
        return false;
    m_packetSize = packetSize;
    m_reader.setPacketSizeLimit(packetSize);
    m_state = State::LoggedIn;
    return true;
}
