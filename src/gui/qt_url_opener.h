// SPDX-License-Identifier: MIT
// Opens URLs (the emergency call's tel: URL) through the desktop's URL handlers.
#pragma once

#include "platform/services.h"

#include <QUrl>

namespace vantro::gui {

/// UrlOpener on QDesktopServices; a handler registered with QDesktopServices::setUrlHandler wins.
class QtUrlOpener : public UrlOpener {
public:
    bool openURL(const std::string& url) override;
    /// "tel://NUMBER" becomes "tel:NUMBER"; other URLs are parsed strictly. Invalid when it cannot be formed.
    static QUrl toQUrl(const std::string& url);
};

}  // namespace vantro::gui
