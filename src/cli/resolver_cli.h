#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "web/fetcher.h"

namespace tesvarin {

// The command-line resolver: `args` without the program name. Returns the exit
// status: 0 when every address resolved, 1 when any failed, 2 for a usage error.
int RunResolverCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, Fetcher& fetcher);

}  // namespace tesvarin
