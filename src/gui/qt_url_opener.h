// SPDX-License-Identifier: MIT
// Opens URLs (the emergency call's tel: URL) through the desktop's URL handlers.
#pragma once

#include "platform/services.h"

namespace vantro::gui {

/// UrlOpener on QDesktopServices; a handler registered with QDesktopServices::setUrlHandler wins.
class QtUrlOpener : public UrlOpener {
public:
    bool openURL(const std::string& url) override;
};

}  // namespace vantro::gui
