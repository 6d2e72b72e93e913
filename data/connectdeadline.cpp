#include "data/connectdeadline.h"

#include <algorithm>

namespace {
thread_local ConnectDeadline *t_current = nullptr;
}

ConnectDeadline::ConnectDeadline(int seconds) : m_deadline(qint64(std::max(seconds, 1)) * 1000), m_outer(t_current)
{
    t_current = this;
}

ConnectDeadline::~ConnectDeadline()
{
    t_current = m_outer;
}

ConnectDeadline *ConnectDeadline::current()
{
    return t_current;
}

int ConnectDeadline::remainingSeconds() const
{
    const qint64 ms = m_deadline.remainingTime();
    return int(std::max<qint64>(1, (ms + 999) / 1000));
}
