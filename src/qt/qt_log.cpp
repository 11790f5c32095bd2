// SPDX-License-Identifier: MIT
// The debug log on Qt's logging category "vantro": journald or standard error, filtered by level.
#include "qt/qt_log.h"

namespace vantro::qt {

Q_LOGGING_CATEGORY(logCategory, "vantro", QtWarningMsg)

namespace {
QString text(std::string_view line) {
    return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}
}  // namespace

void QtLog::log(std::string_view line) {
    // qCDebug builds the message only when the category is enabled: a quiet refresh costs nothing.
    qCDebug(logCategory).noquote() << text(line);
}

void QtLog::warning(std::string_view line) {
    qCWarning(logCategory).noquote() << text(line);
}

void enableVerboseLogging() {
    setLogThreshold(LogLevel::Debug);
    QLoggingCategory::setFilterRules(QStringLiteral("vantro.debug=true"));
}

}  // namespace vantro::qt
