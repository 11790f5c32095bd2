// SPDX-License-Identifier: MIT
// Build tool: renders each SVG icon at the pixel sizes the screens draw it at, so the app draws its icons
// without the SVG renderer (and its library) at start. The files hold the premultiplied ARGB32 pixels,
// row by row in the machine's byte order: the app takes them as they are, the same pixels it would draw.
// usage: vantro-render-icons OUT_DIR PIXELS,PIXELS,... ICON.svg...  ->  OUT_DIR/<icon>@<pixels>.argb
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUT_DIR PIXELS,... ICON.svg...\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) return 1;
    QList<int> sizes;
    for (const QString& s : QString::fromLocal8Bit(argv[2]).split(QLatin1Char(','))) sizes << s.toInt();
    for (int i = 3; i < argc; ++i) {
        const QString svg = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer renderer(svg);
        if (!renderer.isValid()) {
            std::fprintf(stderr, "%s: not a valid SVG\n", argv[i]);
            return 1;
        }
        for (const int px : sizes) {
            // As the app drew them: antialiased onto a clear square of the target size.
            QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QPainter p(&image);
                p.setRenderHint(QPainter::Antialiasing);
                renderer.render(&p, QRectF(0, 0, px, px));
            }
            const QString file = out.filePath(QFileInfo(svg).completeBaseName() + QStringLiteral("@%1.argb").arg(px));
            QFile f(file);
            const auto bytes = static_cast<qint64>(image.sizeInBytes());
            if (!f.open(QIODevice::WriteOnly) ||
                f.write(reinterpret_cast<const char*>(image.constBits()), bytes) != bytes) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
