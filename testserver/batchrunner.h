#pragma once

#include "testserver/tdsbytes.h"

#include <memory>
#include <string>

class SqliteSession;

// Runs SQL batches on one catalog's embedded-store session (the same T-SQL translation,
// GETDATE() and attached files as the desk's embedded provider) and writes the reply as
// TDS tokens: per statement COLMETADATA and ROWs for a result, then DONE with its row
// count and DONE_MORE while statements follow. A failing statement ends the batch with
// ERROR and a DONE carrying the error bit. Rows are read to their end before any is
// written, so each column's type is known from all its values.
class BatchRunner
{
public:
    BatchRunner(std::shared_ptr<SqliteSession> session, std::u16string serverName);

    void run(const std::u16string &batch, ByteWriter &out);

private:
    std::shared_ptr<SqliteSession> m_session;
    std::u16string m_serverName;
};
