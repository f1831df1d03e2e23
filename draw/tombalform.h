#pragma once
// The draw sheet.

#include "ui/form.h"

namespace shell {
class Shell;
}

namespace draw {

class TombalForm : public ui::Form {
    Q_OBJECT
public:
    explicit TombalForm(shell::Shell &shell);
};

}  // namespace draw
