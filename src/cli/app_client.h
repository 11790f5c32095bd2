// SPDX-License-Identifier: MIT
// The running companion as vantro-cli reaches it on the session bus: every call within one deadline.
#pragma once

#include "cli/cli.h"

#include <optional>
#include <string>

#ifdef VANTRO_HAVE_BLUEZ
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QVariantMap>

#include <chrono>
#include <memory>

namespace vantro::cli {

/// Calls of one command to the running companion. The whole command gets `seconds`: each call waits only
/// for what is left, and a companion that leaves the bus while a call waits is said at once.
class AppClient {
public:
    enum class Answer { Replied, NotRunning, Gone, TimedOut, Failed };

    explicit AppClient(double seconds);
    /// Calls `method` of the companion's interface. Replied means an answer of signature `wanted`;
    /// anything else leaves one line in `problem()`. NotRunning only when no companion owns the name at
    /// the command's first call (later, the companion has gone).
    Answer call(const char* method, const QVariantList& args, const char* wanted);
    /// The arguments of the last answer.
    const QDBusMessage& reply() const { return m_reply; }
    const std::string& problem() const { return m_problem; }

    /// GetStatus, each property of its documented type (and DataDir); absent with problem() otherwise.
    std::optional<QVariantMap> status(Answer& answer);
    /// Whether the running app keeps its records where `dataDir` (--data-dir, empty for the default)
    /// says; when it does not, problem() names both directories. A first call that finds no companion
    /// leaves NotRunning in `answer`.
    bool sameDataDir(const std::string& dataDir, Answer& answer);

private:
    Answer wait(const QDBusMessage& message);
    int msLeft() const;

    std::unique_ptr<QCoreApplication> m_app;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_end;
    double m_seconds;
    int m_calls = 0;
    QDBusMessage m_reply;
    std::string m_problem;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    bool m_ownerChanged = false;
    QEventLoop* m_waiting = nullptr;
};

}  // namespace vantro::cli
#endif

namespace vantro::cli {

/// Sets `key` in the running companion; absent when none runs (the caller writes the file itself).
/// `key` and `value` are checked already.
std::optional<int> settingThroughApp(Context& ctx, const std::string& key, const std::string& value);

}  // namespace vantro::cli
