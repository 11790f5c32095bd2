// SPDX-License-Identifier: MIT
// The plain line log the system writes its diagnostics to.
#include "platform/debug_log.h"

#include <algorithm>
#include <cstdio>

namespace vantro {

void StderrLog::log(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

bool CapturingLog::contains(std::string_view line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace vantro
