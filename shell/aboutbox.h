#pragma once
// The About window.

#include "ui/form.h"

namespace shell {

class Shell;

class AboutBox : public ui::Form {
    Q_OBJECT
public:
    explicit AboutBox(Shell &shell);
};

}  // namespace shell
