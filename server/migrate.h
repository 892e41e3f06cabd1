// Copies a SQLite data folder (the catalog and every shard, ids kept) into an empty PostgreSQL
// database and one new database per shard beside it, then compares every table's rows by count
// and checksum. A target that holds anything is refused before a thing is changed.
#pragma once

#include <ostream>
#include <string>

namespace srv {

// Throws DbError with the reason; progress and the verification go to `out`.
void migrate(const std::string& from_dir, const std::string& to, std::ostream& out);

}  // namespace srv
