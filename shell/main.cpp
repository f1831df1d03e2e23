// Lotarin: prize drawing for gatherings.

#include "shell/identity.h"
#include "shell/shell.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    shell::applyIdentity();
    ui::installFontSubstitutions();
    int result = 0;
    {
        shell::Shell shell;
        shell.start();
        // Qt's own texts (a text box's context menu, the PDF file dialog) are first needed
        // after the menu is up; loading their translation then keeps it off the start-up path.
        QTimer::singleShot(0, &shell::installJapaneseTranslation);
        result = QApplication::exec();
    }  // every window goes before the application object
    return result;
}
