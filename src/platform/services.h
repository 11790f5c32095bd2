// SPDX-License-Identifier: MIT
// Small platform services: sound, local notifications, URLs, device idiom.
#pragma once

#include <string>

namespace vantro {

/// Port: the looping player of the alarm sound.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    /// False when the sound resource could not be loaded.
    virtual bool isLoaded() const = 0;
    /// Plays the sound 1 + loops times.
    virtual void play(int loops) = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
    /// The short vibration alert.
    virtual void vibrate() = 0;
};

struct LocalNotification {
    std::string alertBody;
    std::string alertAction;
    std::string soundName;
    /// An alarm the user must not miss (the band out of range); otherwise a notice that can wait.
    bool alarm = false;
};

enum class AppState { Active = 0, Inactive = 1, Background = 2 };

/// Port: presenting local notifications and dialogs, and the application's state.
class Notifier {
public:
    virtual ~Notifier() = default;
    /// Presents a notification now; when the app is running it comes back through the app delegate.
    virtual void presentLocalNotificationNow(const LocalNotification& n) = 0;
    /// Withdraws a notification presented earlier (the one with the same body): the desktop's notice,
    /// and the dialog that shows it in the app. A platform that cannot withdraw leaves it.
    virtual void withdrawLocalNotification(const LocalNotification& /*n*/) {}
    /// Shows a dialog with one button.
    virtual void showAlert(const std::string& title, const std::string& message, const std::string& button) = 0;
    virtual AppState applicationState() const = 0;
    /// The user set the phone not to disturb (no banners): message buzzes are held back, calls are not.
    virtual bool doNotDisturb() const { return false; }
};

/// Port: opens a URL such as "tel://112".
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openURL(const std::string& url) = 0;
};

enum class DeviceIdiom { Phone, Tablet };

}  // namespace vantro
