// SPDX-License-Identifier: MIT
// The emergency call's tel: URL reaches the handler registered for "tel".
#include "gui/qt_url_opener.h"

#include <QDesktopServices>
#include <QTest>
#include <QUrl>

class TelHandler : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& url) { urls << url; }
};

class QtUrlOpenerTest : public QObject {
    Q_OBJECT
private slots:
    void urlsThatCannotBeFormedAreNotOpened() {
        TelHandler handler;
        QDesktopServices::setUrlHandler(QStringLiteral("tel"), &handler, "handle");
        vantro::gui::QtUrlOpener opener;
        QVERIFY(!opener.openURL(""));
        QVERIFY(!opener.openURL("no scheme at all"));
        QVERIFY(!opener.openURL("tel://%zz"));
        QVERIFY(!opener.openURL("tel://"));
        QCOMPARE(handler.urls.size(), 0);
        QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
    }
};

QTEST_MAIN(QtUrlOpenerTest)
#include "qt_url_opener_test.moc"
