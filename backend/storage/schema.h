#pragma once

namespace qr_backend {

class Database;

// Brings the database to the newest schema, one numbered step at a time (PRAGMA user_version),
// each step in its own transaction. Returns false when a step failed; the database then stays
// at the last complete step.
bool MigrateSchema(Database& db);

}  // namespace qr_backend
