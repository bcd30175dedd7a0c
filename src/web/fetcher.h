#pragma once

#include <string_view>

#include "text/text.h"

namespace tesvarin {

// Downloads documents. Never fails loudly: a failed download is empty or cut
// short bytes.
class Fetcher {
 public:
  virtual ~Fetcher() = default;
  // Returns the body of the answer to a GET of `address`, whatever its status.
  virtual DocumentBytes FetchDocument(std::string_view address) = 0;
};

}  // namespace tesvarin
