#include "shell/identity.h"

#include "lotarin_version.h"
#include "ui/definitions.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace shell {

void applyIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral(LOTARIN_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(LOTARIN_DISPLAY_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral(LOTARIN_MAKER));
    // Wayland's app id and the desktop entry's file name: lets the desktop match the
    // running windows to their menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(LOTARIN_APP_ID));
    // No applicationDisplayName on purpose: once set, Qt appends it to every window
    // title ("参加者設定 — Lotarin"), and each window must show its own caption only.
}

void applyWindowIcon()
{
    QGuiApplication::setWindowIcon(QIcon(QString::fromLatin1(ui::applicationIcon)));
}

void installJapaneseTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         dir))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;  // not installed: Qt's own texts stay English
}

}  // namespace shell
