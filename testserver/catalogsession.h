#pragma once

#include "testserver/serveroptions.h"

#include <memory>

class SqliteSession;

// A session of the embedded store on a catalog's file with its attached files, opened as
// the desk's embedded provider opens "Provider=SQLite;Data Source=FILE;Attach=A,B" (never
// creating a file). Raises ProviderFailure when a file is missing or is no database.
std::shared_ptr<SqliteSession> openCatalogSession(const CatalogFile &catalog);
