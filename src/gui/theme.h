// SPDX-License-Identifier: MIT
// Colours and sizes of the shell, in one place, for the phone and the tablet layout.
#pragma once

#include <QColor>
#include <QSize>

namespace vantro::gui {

namespace colours {
inline const QColor kTint{0, 122, 255};
inline const QColor kGroupedBackground{239, 239, 244};
inline const QColor kCell{255, 255, 255};
inline const QColor kCellHighlight{217, 217, 221};
inline const QColor kSeparator{200, 199, 204};
inline const QColor kText{0, 0, 0};
inline const QColor kSecondaryText{142, 142, 147};
inline const QColor kHeaderText{109, 109, 114};
inline const QColor kChevron{199, 199, 204};
inline const QColor kBarBackground{248, 248, 248};
inline const QColor kTabInactive{146, 146, 146};
inline const QColor kDestructive{255, 59, 48};
// The focus ring on dark ground (the charts), where the tint would not stand out.
inline const QColor kRingOnDark{255, 159, 10};
}  // namespace colours

/// Window and bar sizes of one device idiom, in logical pixels.
struct Metrics {
    bool tablet = false;
    QSize window{375, 667};
    int navBarHeight = 44;
    int tabBarHeight = 49;

    static Metrics phone() { return {}; }
    static Metrics tabletMetrics() { return {true, QSize(768, 1024), 50, 56}; }
};

}  // namespace vantro::gui
