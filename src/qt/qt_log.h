// SPDX-License-Identifier: MIT
// The debug log on Qt's logging category "vantro": journald or standard error, filtered by level.
#pragma once

#include "platform/debug_log.h"

#include <QLoggingCategory>

namespace vantro::qt {

/// Routine lines are debug messages, off unless enabled; warnings always pass. Qt's own rules
/// ($QT_LOGGING_RULES, e.g. "vantro.debug=true") decide in the end.
Q_DECLARE_LOGGING_CATEGORY(logCategory)

class QtLog : public DebugLog {
public:
    void log(std::string_view line) override;
    void warning(std::string_view line) override;
};

/// Turns the routine lines on (--verbose, or VANTRO_LOG=debug); $QT_LOGGING_RULES still overrides.
void enableVerboseLogging();

}  // namespace vantro::qt
