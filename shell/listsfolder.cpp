#include "shell/listsfolder.h"

#include "lotarin_version.h"
#include "platform/userfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace shell {

void enterListsFolder()
{
    const QString program = QCoreApplication::applicationDirPath();
    // The installer puts the uninstaller beside the program; the portable zip has none.
    if (!QFileInfo::exists(program + QStringLiteral("/uninstall.exe")))
        return;
    if (QFileInfo(QDir::currentPath()) != QFileInfo(program))
        return;  // a folder the user chose
    const QString documents = platform::documentsFolder();
    if (documents.isEmpty())
        return;
    const QString lists = documents + QStringLiteral("/") + QStringLiteral(LOTARIN_NAME);
    if (QDir().mkpath(lists))
        QDir::setCurrent(lists);
}

}  // namespace shell
