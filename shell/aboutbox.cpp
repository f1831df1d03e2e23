#include "shell/aboutbox.h"

#include "ui/definitions.h"

namespace shell {

AboutBox::AboutBox(Shell &) : ui::Form(ui::aboutDefinition()) {}

}  // namespace shell
