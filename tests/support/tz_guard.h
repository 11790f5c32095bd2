// SPDX-License-Identifier: MIT
// Environment variables, the process time zone among them, set for one test and put back afterwards.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantro::testing {

class EnvGuard {
public:
    EnvGuard() = default;
    EnvGuard(const char* name, const char* value) { set(name, value); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() { restore(); }

    /// Sets `name` to `value`; nullptr clears it.
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        put(name, value);
    }
    /// Puts every variable back as it was, the last set first.
    void restore() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            put(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
        }
        m_saved.clear();
    }

private:
    static void put(const char* name, const char* value) {
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

/// The process time zone for one test.
class TzGuard {
public:
    explicit TzGuard(const char* tz) : m_env("TZ", tz) { tzset(); }
    ~TzGuard() {
        m_env.restore();
        tzset();
    }

private:
    EnvGuard m_env;
};

}  // namespace vantro::testing
