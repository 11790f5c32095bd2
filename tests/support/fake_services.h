// SPDX-License-Identifier: MIT
// Recording doubles of the small platform services: sound, notifications and dialogs, URLs.
#pragma once

#include "platform/file_watch.h"
#include "platform/services.h"

#include <functional>
#include <string>
#include <vector>

namespace vantro::testing {

/// A player that records plays and stops; `loaded` false stands for a missing sound resource.
class RecordingSoundPlayer : public SoundPlayer {
public:
    bool isLoaded() const override { return loaded; }
    void play(int loops) override {
        if (!loaded) return;
        plays.push_back(loops);
        playing = true;
    }
    void stop() override {
        ++stops;
        playing = false;
    }
    bool isPlaying() const override { return playing; }
    void vibrate() override { ++vibrations; }

    /// The sound ran to its end by itself.
    void finish() { playing = false; }

    bool loaded = true;
    bool playing = false;
    std::vector<int> plays;  // the loop count of every play
    int stops = 0;
    int vibrations = 0;
};

/// Records notifications and dialogs. A notification presented while the app runs comes back through
/// `onNotificationReceived`, the way the platform hands it to the app delegate.
class RecordingNotifier : public Notifier {
public:
    struct Alert {
        std::string title;
        std::string message;
        std::string button;
    };
    void presentLocalNotificationNow(const LocalNotification& n) override {
        notifications.push_back(n);
        if (state != AppState::Background && onNotificationReceived) onNotificationReceived(n);
    }
    void withdrawLocalNotification(const LocalNotification& n) override { withdrawn.push_back(n); }
    void showAlert(const std::string& title, const std::string& message, const std::string& button) override {
        alerts.push_back({title, message, button});
    }
    AppState applicationState() const override { return state; }
    bool doNotDisturb() const override { return dnd; }

    AppState state = AppState::Active;
    bool dnd = false;
    std::function<void(const LocalNotification&)> onNotificationReceived;
    std::vector<LocalNotification> notifications;
    std::vector<LocalNotification> withdrawn;
    std::vector<Alert> alerts;
};

/// Records every URL it is asked to open; `accept` is the answer.
class RecordingUrlOpener : public UrlOpener {
public:
    bool openURL(const std::string& url) override {
        opened.push_back(url);
        return accept;
    }
    bool accept = true;
    std::vector<std::string> opened;
};

/// A file watch that tells only when the test says the file changed.
class ManualFileWatch : public FileWatch {
public:
    bool watch(const std::string& path, std::function<void()> changed) override {
        watched = path;
        m_changed = std::move(changed);
        return true;
    }
    void stop() override { m_changed = nullptr; }
    /// As after another program wrote the file.
    void fire() {
        if (m_changed) m_changed();
    }
    std::string watched;

private:
    std::function<void()> m_changed;
};

}  // namespace vantro::testing
