#include "testserver/browserresponder.h"

#include <algorithm>
#include <cctype>

std::optional<Bytes> browserResponse(const Bytes &request, const std::string &instance, const std::string &serverName,
                                     uint16_t tcpPort)
{
    if (request.empty())
        return std::nullopt;
    const uint8_t kind = request[0];
    if (kind == 0x04) {
        const auto zero = std::find(request.begin() + 1, request.end(), uint8_t(0));
        const std::string asked(request.begin() + 1, zero);
        const bool same = asked.size() == instance.size()
                          && std::equal(asked.begin(), asked.end(), instance.begin(), [](char a, char b) {
                                 return std::toupper(static_cast<unsigned char>(a))
                                        == std::toupper(static_cast<unsigned char>(b));
                             });
        if (!same)
            return std::nullopt;
    } else if (kind != 0x02 && kind != 0x03) {
        return std::nullopt;
    }
    const std::string text = "ServerName;" + serverName + ";InstanceName;" + instance
                             + ";IsClustered;No;Version;16.0.1000.0;tcp;" + std::to_string(tcpPort) + ";;";
    ByteWriter out;
    out.u8(0x05);
    out.u16(uint16_t(text.size()));
    out.bytes(reinterpret_cast<const uint8_t *>(text.data()), text.size());
    return out.take();
}
