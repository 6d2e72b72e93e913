#include "testserver/serverlog.h"

#include <cstdio>

void ServerLog::line(const std::string &text)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs((text + '\n').c_str(), stderr);
    std::fflush(stderr);
}
