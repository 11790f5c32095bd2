// SPDX-License-Identifier: MIT
// Opens URLs (the emergency call's tel: URL) through the desktop's URL handlers.
#include "gui/qt_url_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace vantro::gui {

QUrl QtUrlOpener::toQUrl(const std::string& url) {
    const QString text = QString::fromStdString(url);
    // "tel://112" would make the number a host name, which QUrl reads as the address 0.0.0.112;
    // dialers expect the number itself, as in "tel:112".
    if (text.startsWith(QLatin1String("tel://"), Qt::CaseInsensitive)) {
        const QString number = text.mid(6);
        if (number.isEmpty()) return {};
        QUrl u;
        u.setScheme(QStringLiteral("tel"));
        u.setPath(number, QUrl::StrictMode);
        return u;
    }
    return QUrl(text, QUrl::StrictMode);
}

bool QtUrlOpener::openURL(const std::string& url) {
    const QUrl u = toQUrl(url);
    if (!u.isValid() || u.scheme().isEmpty()) return false;
    return QDesktopServices::openUrl(u);
}

}  // namespace vantro::gui
