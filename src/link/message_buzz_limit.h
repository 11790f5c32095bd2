// SPDX-License-Identifier: MIT
// At most one message buzz on the band per ten seconds, whichever source the messages come from.
#pragma once

#include <optional>

namespace vantro {

/// Shared by every source of message alerts (desktop notifications, the modem's texts); calls never ask it.
class MessageBuzzLimit {
public:
    static constexpr double kSeconds = 10.0;
    /// True, and the next ten seconds taken, when no buzz went out in the last ten (run-loop seconds).
    bool take(double now) {
        if (m_last && now - *m_last < kSeconds && now >= *m_last) return false;
        m_last = now;
        return true;
    }

private:
    std::optional<double> m_last;
};

}  // namespace vantro
