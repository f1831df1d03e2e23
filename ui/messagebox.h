#pragma once
// Every message box of the program goes through here, so that tests can answer it
// instead of a person and never block on a dialog.

#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace ui::MessageBox {

// Shows a warning with an OK button.
void warning(QWidget *parent, const QString &title, const QString &text);
// Asks a yes/no question; true for yes. Enter gives `defaultAnswer`.
bool question(QWidget *parent, const QString &title, const QString &text,
              QMessageBox::StandardButton defaultAnswer = QMessageBox::Yes);

// Test seam: while answers are queued, no dialog is shown; each message takes the next
// answer (Ok/Yes/No) and its text is recorded.
void setNextAnswer(QMessageBox::StandardButton answer);
QStringList takeShownMessages();
void reset();

}  // namespace ui::MessageBox
