// Lotarin: prize drawing for gatherings.

#include "platform/windowsystem.h"
#include "shell/identity.h"
#include "shell/listsfolder.h"
#include "shell/shell.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    platform::chooseWindowSystem();
    QApplication app(argc, argv);
    shell::applyIdentity();
    shell::enterListsFolder();
    ui::installFontSubstitutions();
    int result = 0;
    {
        shell::Shell shell;
        shell.start();
        // Kept off the start-up path: the icon, and the translation of Qt's own texts (a
        // text box's context menu, the PDF file dialog), first needed after the menu is up.
        QTimer::singleShot(0, [] {
            shell::applyWindowIcon();
            shell::installJapaneseTranslation();
        });
        result = QApplication::exec();
    }  // every window goes before the application object
    return result;
}
