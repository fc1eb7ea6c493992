#pragma once

struct sqlite3;

namespace yorsabat::standin {

// Replaces SQLite's sum() on db with one that adds decimals exactly, as SQL Server sums
// decimal columns: each REAL counts as the 15-digit decimal it stands for, so sums of
// amounts carry no binary rounding. Integers alone still sum to an integer.
void registerExactSum(sqlite3 *db);

} // namespace yorsabat::standin
