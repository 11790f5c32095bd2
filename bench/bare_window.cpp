// SPDX-License-Identifier: MIT
// The floor the app's start is held against: a bare Qt Widgets window of the app's size and style.
#include "gui/first_frame.h"

#include <QApplication>
#include <QLabel>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QLabel label(QStringLiteral("Vantro"));
    label.resize(375, 667);
    // Like the app: the line at the first frame, and with "exit" the end there (for a profile).
    const QByteArray mark = qgetenv(vantro::gui::kFirstFrameMarkVariable);
    vantro::gui::whenFirstFramePainted(&label, [mark] {
        std::printf("%s\n", vantro::gui::kFirstFrameLine);
        std::fflush(stdout);
        if (mark == vantro::gui::kFirstFrameExit) std::_Exit(0);
    });
    label.show();
    return app.exec();
}
