#include "DemoSeed.h"

namespace yorsabat::standin {

std::string writeDemoInstance(const std::string &, long)
{
    return "the demo instance is not available yet";
}

} // namespace yorsabat::standin
