// What the program tells the desktop about itself.

#include "lotarin_version.h"
#include "shell/identity.h"

#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QtTest>

class TestIdentity : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        shell::applyIdentity();
        shell::applyWindowIcon();
    }
    void version();
    void desktopEntryIsNamedByTheDesktopFileName();
    void windowIconIsTheApplicationIcon();
    void windowTitlesGetNoSuffix();
};

void TestIdentity::version()
{
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("4.03"));
    QCOMPARE(QLatin1String(LOTARIN_VERSION), QLatin1String("4.3.0.0"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Lotarin"));
}

void TestIdentity::desktopEntryIsNamedByTheDesktopFileName()
{
    // Wayland matches windows to their menu entry and icon by this name.
    const QString id = QGuiApplication::desktopFileName();
    QVERIFY(!id.isEmpty());
    QVERIFY2(QFile::exists(QStringLiteral(LOTARIN_SOURCE_DIR "/dist/linux/") + id + QStringLiteral(".desktop")),
             qPrintable(id));
}

void TestIdentity::windowIconIsTheApplicationIcon()
{
    const QIcon icon = QGuiApplication::windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
}

void TestIdentity::windowTitlesGetNoSuffix()
{
    // Qt appends an explicitly set display name to every window title; unset, the display
    // name simply follows the application name.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    const QString display = QGuiApplication::applicationDisplayName();
    QCoreApplication::setApplicationName(name);
    QCOMPARE(display, QStringLiteral("probe"));
}

QTEST_MAIN(TestIdentity)
#include "tst_identity.moc"
