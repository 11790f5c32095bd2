// SPDX-License-Identifier: MIT
// Opens URLs (the emergency call's tel: URL) through the desktop's URL handlers.
#include "gui/qt_url_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace vantro::gui {

bool QtUrlOpener::openURL(const std::string& url) {
    const QUrl u(QString::fromStdString(url), QUrl::StrictMode);
    if (!u.isValid() || u.scheme().isEmpty()) return false;
    return QDesktopServices::openUrl(u);
}

}  // namespace vantro::gui
