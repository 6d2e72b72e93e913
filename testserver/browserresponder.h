#pragma once

#include "testserver/tdsbytes.h"

#include <cstdint>
#include <optional>
#include <string>

// The SQL Server Browser's answer (SSRP over UDP) for one instance: a CLNT_UCAST_INST
// request (0x04, the instance name, a zero) naming the instance, or a CLNT_UCAST_EX /
// CLNT_BCAST_EX request (0x03 / 0x02) listing all, gets SVR_RESP (0x05, a two-byte length,
// "ServerName;HOST;InstanceName;NAME;IsClustered;No;Version;16.0.1000.0;tcp;PORT;;").
// Any other request, or another instance's name, gets no answer, as on a real network.
std::optional<Bytes> browserResponse(const Bytes &request, const std::string &instance, const std::string &serverName,
                                     uint16_t tcpPort);
