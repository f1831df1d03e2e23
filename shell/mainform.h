#pragma once

#include "ui/form.h"

namespace shell {

class Shell;

// The main menu: the hub from which every other window is opened.
class tbMainForm : public ui::Form {
    Q_OBJECT
public:
    explicit tbMainForm(Shell &shell);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();

private:
    Shell &m_shell;
};

}  // namespace shell
