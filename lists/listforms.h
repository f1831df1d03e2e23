#pragma once
// The participant and prize list windows.

#include "ui/form.h"

namespace shell {
class Shell;
}

namespace lists {

class SankaForm : public ui::Form {
    Q_OBJECT
public:
    explicit SankaForm(shell::Shell &shell);
};

class KehinForm : public ui::Form {
    Q_OBJECT
public:
    explicit KehinForm(shell::Shell &shell);
};

}  // namespace lists
