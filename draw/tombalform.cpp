#include "draw/tombalform.h"

#include "ui/definitions.h"

namespace draw {

TombalForm::TombalForm(shell::Shell &) : ui::Form(ui::drawSheetDefinition()) {}

}  // namespace draw
