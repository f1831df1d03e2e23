// The yardstick for start-up: a bare Qt Widgets window of the main menu's size, built the same way.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("Bare"));
    w.setFixedSize(422, 298);
    w.show();
    return QApplication::exec();
}
