// SPDX-License-Identifier: MIT
// Whether a sound source is a wave file, asked by the app before the sound module is opened and by the
// module's player itself.
#pragma once

#include <QFile>
#include <QUrl>

namespace vantro::sound {

/// Whether the source is a readable RIFF/WAVE file. Decided here, so that a machine without an audio
/// device (where the effect itself reports an error) still counts the sound as loaded.
inline bool isWave(const QUrl& url) {
    QString path;
    if (url.scheme() == QLatin1String("qrc"))
        path = QLatin1Char(':') + url.path();
    else if (url.isLocalFile())
        path = url.toLocalFile();
    else
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = f.read(12);
    return header.size() == 12 && header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
}

}  // namespace vantro::sound
