// SPDX-License-Identifier: MIT
// The running companion as vantro-cli reaches it on the session bus: every call within one deadline.
#include "cli/app_client.h"

#include "platform/paths.h"
#include "platform/strprintf.h"

#ifdef VANTRO_HAVE_BLUEZ
#include "qt/companion_bus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#endif

#include <ostream>

namespace vantro::cli {

#ifdef VANTRO_HAVE_BLUEZ
namespace {

using Clock = std::chrono::steady_clock;

// Texts from the bus are shown escaped and cut: any process can own the name and answer anything.
constexpr std::size_t kShownChars = 200;

std::string outside(const QString& text) {
    return escapeText(text.toStdString(), kShownChars);
}

bool sameDirectory(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

}  // namespace

AppClient::AppClient(double seconds) : m_start(Clock::now()), m_seconds(seconds) {
    static int argc = 1;
    static char name[] = "vantro-cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) m_app = std::make_unique<QCoreApplication>(argc, argv);
    m_end = m_start + std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        m_watcher = std::make_unique<QDBusServiceWatcher>(QString::fromLatin1(qt::kBusName), bus,
                                                          QDBusServiceWatcher::WatchForOwnerChange);
        // The owner that answers is the one that was there; another one coming is no answer.
        QObject::connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged,
                         [this](const QString&, const QString& before, const QString&) {
                             if (before.isEmpty()) return;
                             m_ownerChanged = true;
                             if (m_waiting) m_waiting->quit();
                         });
    }
}

int AppClient::msLeft() const {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(m_end - Clock::now()).count());
}

AppClient::Answer AppClient::wait(const QDBusMessage& message) {
    const int left = msLeft();
    if (left <= 0) return Answer::TimedOut;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusPendingCallWatcher pending(bus.asyncCall(message, left));
    QEventLoop loop;
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(left + 50, &loop, &QEventLoop::quit);
    m_ownerChanged = false;
    m_waiting = &loop;
    if (!pending.isFinished()) loop.exec();
    m_waiting = nullptr;
    if (!pending.isFinished()) return m_ownerChanged ? Answer::Gone : Answer::TimedOut;
    m_reply = pending.reply();
    if (m_reply.type() != QDBusMessage::ErrorMessage) return Answer::Replied;
    const QString error = m_reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
        return Answer::NotRunning;
    }
    // The bus says NoReply both when the time ran out and at once when the owner left without answering.
    if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply")) {
        if (msLeft() <= 100) return Answer::TimedOut;
        // Early, on a loaded machine, it may still be the time running out: only a name nobody owns any
        // more is an owner that left.
        const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(QString::fromLatin1(qt::kBusName));
        return owned.isValid() && owned.value() ? Answer::TimedOut : Answer::Gone;
    }
    return Answer::Failed;
}

AppClient::Answer AppClient::call(const char* method, const QVariantList& args, const char* wanted) {
    m_problem.clear();
    const bool first = m_calls++ == 0;
    if (!QDBusConnection::sessionBus().isConnected()) {
        m_problem = "no session bus";
        return first ? Answer::NotRunning : Answer::Failed;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(QString::fromLatin1(qt::kBusName), QString::fromLatin1(qt::kBusPath),
                                       QString::fromLatin1(qt::kCompanionInterface), QString::fromLatin1(method));
    message.setArguments(args);
    // Asking must not start the app: a command that finds none runs its own or says so.
    message.setAutoStartService(false);
    // A companion that has just claimed the name may not have its object on the bus yet: asked again for
    // a moment, not longer, so that a process squatting on the name is said soon.
    Answer answer = Answer::Failed;
    qt::CompanionBus::askWhileStarting(
        [&] {
            answer = wait(message);
            return answer == Answer::Failed ? m_reply : QDBusMessage();
        },
        std::chrono::milliseconds(std::min(1000, std::max(0, msLeft()))));
    switch (answer) {
        case Answer::NotRunning:
            m_problem = "vantro is not running";
            if (!first) {
                answer = Answer::Gone;
                m_problem = "the running app left the bus before it answered";
            }
            break;
        case Answer::Gone:
            m_problem = "the running app left the bus before it answered";
            break;
        case Answer::TimedOut:
            m_problem = strprintf("the running app did not answer within %g s", m_seconds);
            break;
        case Answer::Failed: {
            const QString text = m_reply.errorMessage();
            m_problem = outside(text.isEmpty() ? m_reply.errorName() : text);
            break;
        }
        case Answer::Replied:
            if (m_reply.signature() != QLatin1String(wanted)) {
                m_problem = "the owner of " + std::string(qt::kBusName) + " gave an answer of the wrong type (" +
                            outside(m_reply.signature()) + " instead of " + wanted + ")";
                answer = Answer::Failed;
            }
            break;
    }
    return answer;
}

std::optional<QVariantMap> AppClient::status(Answer& answer) {
    answer = call("GetStatus", {}, "a{sv}");
    if (answer != Answer::Replied) return std::nullopt;
    const QVariantMap status = qdbus_cast<QVariantMap>(m_reply.arguments().constFirst());
    QString wrong = qt::CompanionBus::statusProblem(status);
    if (wrong.isEmpty() && status.value(QStringLiteral("DataDir")).typeId() != QMetaType::QString) {
        wrong = QStringLiteral("DataDir is missing or not a text");
    }
    if (!wrong.isEmpty()) {
        m_problem = "the owner of " + std::string(qt::kBusName) + " is not the companion: " + outside(wrong);
        answer = Answer::Failed;
        return std::nullopt;
    }
    return status;
}

bool AppClient::sameDataDir(const std::string& dataDir, Answer& answer) {
    answer = Answer::Replied;
    if (dataDir.empty()) return true;
    const auto s = status(answer);
    if (!s) return false;
    const std::string appDir = s->value(QStringLiteral("DataDir")).toString().toStdString();
    const std::string mine = recordsDirectory(dataDir, false);
    if (sameDirectory(mine, appDir)) return true;
    m_problem = "the running app keeps its records in " + quoteText(appDir, 4096) + ", not in " +
                quoteText(mine, 4096) + "; quit it or leave out --data-dir";
    answer = Answer::Failed;
    return false;
}

std::optional<int> settingThroughApp(Context& ctx, const std::string& key, const std::string& value) {
    constexpr double kSeconds = 10;
    AppClient app(kSeconds);
    AppClient::Answer answer;
    if (app.sameDataDir(ctx.dataDir, answer)) {
        answer = app.call("SetSetting", {QString::fromStdString(key), QString::fromStdString(value)}, "");
    }
    if (answer == AppClient::Answer::NotRunning) return std::nullopt;
    if (answer != AppClient::Answer::Replied) {
        ctx.err << "vantro-cli settings set: " << app.problem() << "\n";
        return kFailure;
    }
    return 0;
}

#else

std::optional<int> settingThroughApp(Context&, const std::string&, const std::string&) {
    return std::nullopt;
}

#endif

}  // namespace vantro::cli
