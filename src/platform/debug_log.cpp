// SPDX-License-Identifier: MIT
// The line log the system writes its diagnostics to: routine lines and warnings.
#include "platform/debug_log.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantro {
namespace {

LogLevel thresholdFromEnvironment() {
    const char* v = std::getenv("VANTRO_LOG");
    return v && std::strcmp(v, "debug") == 0 ? LogLevel::Debug : LogLevel::Warning;
}

std::atomic<LogLevel>& threshold() {
    static std::atomic<LogLevel> level{thresholdFromEnvironment()};
    return level;
}

void writeLine(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}

}  // namespace

LogLevel logThreshold() {
    return threshold().load();
}

void setLogThreshold(LogLevel level) {
    threshold().store(level);
}

void StderrLog::log(std::string_view line) {
    if (logThreshold() == LogLevel::Debug) writeLine(line);
}

void StderrLog::warning(std::string_view line) {
    writeLine(line);
}

bool CapturingLog::contains(std::string_view line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace vantro
