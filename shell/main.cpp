// Lotarin: prize drawing for gatherings.

#include "shell/identity.h"
#include "shell/shell.h"
#include "ui/fonts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    shell::applyIdentity();
    shell::installJapaneseTranslation();
    ui::installFontSubstitutions();
    int result = 0;
    {
        shell::Shell shell;
        shell.start();
        result = QApplication::exec();
    }  // every window goes before the application object
    return result;
}
