#include "shell/mainform.h"

#include "shell/shell.h"
#include "ui/definitions.h"

namespace shell {

tbMainForm::tbMainForm(Shell &shell) : ui::Form(ui::mainMenuDefinition()), m_shell(shell)
{
    connect(button(ui::names::Command1), &QPushButton::clicked, this, &tbMainForm::Command1_Click);
    connect(button(ui::names::Command2), &QPushButton::clicked, this, &tbMainForm::Command2_Click);
    connect(button(ui::names::Command3), &QPushButton::clicked, this, &tbMainForm::Command3_Click);
    connect(button(ui::names::Command4), &QPushButton::clicked, this, &tbMainForm::Command4_Click);
    connect(button(ui::names::Command5), &QPushButton::clicked, this, &tbMainForm::Command5_Click);
}

void tbMainForm::Command1_Click()
{
    m_shell.openParticipantList();
}
void tbMainForm::Command2_Click()
{
    m_shell.openPrizeList();
}
void tbMainForm::Command3_Click()
{
    m_shell.openDrawSheet();
}
void tbMainForm::Command4_Click()
{
    m_shell.endProgram();
}
void tbMainForm::Command5_Click()
{
    m_shell.openAbout();
}

}  // namespace shell
