#pragma once

#include <mutex>
#include <string>

// Standard error of the server, one whole line at a time from any thread. Tests count the
// lines "login USER CATALOG" and "login refused USER"; other lines never start with "login".
struct ServerLog
{
    void line(const std::string &text);

private:
    std::mutex m_mutex;
};
