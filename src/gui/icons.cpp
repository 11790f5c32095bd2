// SPDX-License-Identifier: MIT
// The image names the screens use, mapped to our own SVG icons, rendered sharp at any scale.
#include "gui/icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace vantro::gui {
namespace {

QPixmap render(const QString& resource, int size, qreal dpr) {
    if (resource.isEmpty() || !QFile::exists(resource)) return {};
    static QHash<QString, QPixmap> cache;
    const QString key = resource + QLatin1Char('@') + QString::number(size) + QLatin1Char('x') + QString::number(dpr);
    if (auto it = cache.find(key); it != cache.end()) return *it;
    QSvgRenderer renderer(resource);
    if (!renderer.isValid()) return {};
    const int px = static_cast<int>(size * dpr + 0.5);
    QPixmap pm(px, px);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        renderer.render(&p, QRectF(0, 0, px, px));
    }
    pm.setDevicePixelRatio(dpr);
    cache.insert(key, pm);
    return pm;
}

}  // namespace

const std::vector<std::string>& Icons::imageNames() {
    static const std::vector<std::string> names = {
        "sports_step.png",    "sports_distance.png",  "sports_time.png", "sports_calories.png", "sports_battery.png",
        "sports_rssi.png",    "sports_ver.png",       "bluetooth.png",   "sync_a.png",          "settings_present.png",
        "settings_wish.png",  "telincome.png",        "msgincome.png",   "settings_sit.png",    "settings_medicine.png",
        "alarm_time.png",     "body_height.png",      "body_weight.png", "display_time.png",    "findme.png",
        "settings_reset.png", "settings_version.png",
    };
    return names;
}

QString Icons::resourceFor(const std::string& imageName) {
    QString name = QString::fromStdString(imageName);
    if (name.endsWith(QLatin1String(".png"))) name.chop(4);
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    const QString path = QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

QPixmap Icons::pixmap(const std::string& imageName, int size, qreal dpr) {
    return render(resourceFor(imageName), size, dpr);
}

qreal Icons::renderScale(const QPainter& p) {
    const qreal deviceRatio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    return std::max<qreal>(2.0, std::ceil(deviceRatio));
}

QPixmap Icons::tabPixmap(const QString& tab, const QColor& colour, int size, qreal dpr) {
    QPixmap glyph = render(QStringLiteral(":/icons/tab_") + tab + QStringLiteral(".svg"), size, dpr);
    if (glyph.isNull()) return glyph;
    QPixmap tinted(glyph.size());
    tinted.fill(Qt::transparent);
    tinted.setDevicePixelRatio(dpr);
    QPainter p(&tinted);
    p.drawPixmap(0, 0, glyph);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(QRectF(0, 0, size, size), colour);
    return tinted;
}

}  // namespace vantro::gui
