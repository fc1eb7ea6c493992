#pragma once

#include <string>

namespace yorsabat::standin {

// Writes the demo instance into dataDir, one "<database>.sqlite" file per
// database, replacing demo files of the same names. demharRows: size knob for
// benchmarks, the number of DEMHAR rows in the first company database; 0 keeps
// the default size (a few dozen assets per company).
// Returns the empty string on success, else a message naming the problem.
std::string writeDemoInstance(const std::string &dataDir, long demharRows = 0);

} // namespace yorsabat::standin
