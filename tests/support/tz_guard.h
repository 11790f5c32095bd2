// SPDX-License-Identifier: MIT
// Switches the process time zone for one test and restores it afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace vantro::testing {

class TzGuard {
public:
    explicit TzGuard(const char* tz) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TzGuard() {
        if (m_old) {
            setenv("TZ", m_old->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

}  // namespace vantro::testing
