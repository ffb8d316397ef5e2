// The record of a raised error: what the user is shown when it ends the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mShutDown {

struct ErrorRecord {
    std::int32_t Number = 0;
    std::string Source;
    std::string Description;
    std::optional<std::string> HelpFile;
    std::optional<std::int32_t> HelpContext;
};

}  // namespace mShutDown
