// SPDX-License-Identifier: MIT
// The image names the screens use, mapped to our own SVG icons: pre-rendered at the sizes the screens use,
// rendered from the SVG at any other.
#include "gui/icons.h"

#include <QFile>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QResource>

#include <cmath>

namespace vantro::gui {
namespace {

/// The pixels rendered when the app was built (see render_icons.cpp), when this size was one of them.
QImage prerendered(const QString& resource, int px) {
    QString base = resource;
    base.chop(4);  // ".svg"
    QResource pixels(base + QStringLiteral("@%1.argb").arg(px));
    if (!pixels.isValid()) return {};
    const QByteArray bytes = pixels.uncompressedData();
    if (bytes.size() != qsizetype(px) * px * 4) return {};
    const QImage image(reinterpret_cast<const uchar*>(bytes.constData()), px, px, QImage::Format_ARGB32_Premultiplied);
    // Stored uncompressed (as the build does) the pixels are read where they lie in the binary.
    return pixels.compressionAlgorithm() == QResource::NoCompression ? image : image.copy();
}

/// Any other size from the SVG itself, through Qt's image plugin: only then is the SVG renderer loaded.
QImage fromSvg(const QString& resource, int px) {
    QImageReader reader(resource);
    reader.setScaledSize(QSize(px, px));
    return reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QPixmap render(const QString& resource, int size, qreal dpr) {
    if (resource.isEmpty() || !QFile::exists(resource)) return {};
    static QHash<QString, QPixmap> cache;
    const QString key = resource + QLatin1Char('@') + QString::number(size) + QLatin1Char('x') + QString::number(dpr);
    if (auto it = cache.find(key); it != cache.end()) return *it;
    const int px = static_cast<int>(size * dpr + 0.5);
    QImage image = prerendered(resource, px);
    if (image.isNull()) image = fromSvg(resource, px);
    if (image.isNull()) return {};
    QPixmap pm = QPixmap::fromImage(std::move(image));
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

QIcon Icons::appIcon() {
    const QString svg = QStringLiteral(":/vantro.svg");
    QIcon icon;
    for (const int px : {16, 24, 32, 48, 64, 128}) {
        const QImage image = prerendered(svg, px);
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon.isNull() ? QIcon(svg) : icon;
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
