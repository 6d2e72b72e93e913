#pragma once

#include "testserver/serveroptions.h"
#include "testserver/tdsbytes.h"
#include "testserver/tdspacket.h"
#include "testserver/tdstokens.h"

#include <memory>
#include <string>

class BatchRunner;
struct ServerLog;

// One client connection from its first packet to its end, served on the calling thread:
// PRELOGIN, then LOGIN7 checked against the options (a refused login is answered and the
// connection closed), then SQL batches run on the login's catalog, each answered in
// packets of the negotiated size. ATTENTION is answered with DONE_ATTN. A malformed packet
// or message, one the protocol does not allow at that point, the --drop-after count, a
// batch named by --drop-after-batch (once it has run), --idle-timeout without a packet, or the
// server stopping ends the connection; other connections are not affected.
class TdsConnection
{
public:
    // socket: connected, closed by the caller. stopFd becomes readable when the server stops.
    TdsConnection(int socket, int stopFd, uint16_t spid, const ServerOptions &options, ServerLog &log);
    ~TdsConnection();

    void serve();
    // The server is full: the login that comes is refused with error 17809, and the
    // connection waits at most a few seconds for it.
    void refuseAsFull() { m_full = true; }

private:
    enum class State { PreLogin, Login, LoggedIn };
    enum class Wait { Ready, Attention, Closed };
    enum class Received { Data, Nothing, Closed };

    bool readPacket(Tds::Packet &packet);
    // One read from the socket into the packet reader, waiting up to timeoutMs (-1: no limit).
    Received receive(int timeoutMs);
    bool counted();
    // Waits ms before a reply; a cancel that arrives meanwhile ends the wait.
    Wait stall(int ms);
    bool send(const Bytes &payload);
    bool handle(const Tds::Message &message);
    bool login(const Tds::Message &message);
    bool refuse(const std::u16string &user, TdsToken::ServerMessage message);
    void closing(const std::string &why);

    int m_socket;
    int m_stopFd;
    uint16_t m_spid;
    const ServerOptions &m_options;
    ServerLog &m_log;
    State m_state = State::PreLogin;
    size_t m_packetSize = Tds::DefaultPacketSize;
    int m_packetsReceived = 0;
    Tds::PacketReader m_reader;
    Tds::MessageAssembler m_assembler;
    std::unique_ptr<BatchRunner> m_runner;
    bool m_full = false;
};
