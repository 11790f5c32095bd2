// SPDX-License-Identifier: MIT
// The plain line log the system writes its diagnostics to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantro {

/// Port: one call writes one line; no levels.
class DebugLog {
public:
    virtual ~DebugLog() = default;
    virtual void log(std::string_view line) = 0;
};

/// Writes each line to standard error.
class StderrLog : public DebugLog {
public:
    void log(std::string_view line) override;
};

/// Keeps the lines in memory; tests read them back.
class CapturingLog : public DebugLog {
public:
    void log(std::string_view line) override { lines.emplace_back(line); }
    bool contains(std::string_view line) const;
    std::vector<std::string> lines;
};

/// Drops every line.
class NullLog : public DebugLog {
public:
    void log(std::string_view) override {}
};

}  // namespace vantro
