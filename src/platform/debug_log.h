// SPDX-License-Identifier: MIT
// The line log the system writes its diagnostics to: routine lines and warnings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantro {

enum class LogLevel { Debug, Warning };

/// Port: one call writes one line. `log` is a routine line (hidden unless the user asks for
/// everything), `warning` a failure the user may need to see.
class DebugLog {
public:
    virtual ~DebugLog() = default;
    virtual void log(std::string_view line) = 0;
    /// Logs that know no levels take a warning as one more line.
    virtual void warning(std::string_view line) { log(line); }
};

/// The lowest level the standard-error log writes: Warning unless $VANTRO_LOG is "debug" or a
/// program's --verbose lowered it.
LogLevel logThreshold();
void setLogThreshold(LogLevel level);

/// Writes each line at or above logThreshold() to standard error.
class StderrLog : public DebugLog {
public:
    void log(std::string_view line) override;
    void warning(std::string_view line) override;
};

/// Keeps every line in memory, whatever its level; tests read them back.
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
