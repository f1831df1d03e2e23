#include "lists/listforms.h"

#include "ui/definitions.h"

namespace lists {

SankaForm::SankaForm(shell::Shell &) : ui::Form(ui::participantListDefinition()) {}
KehinForm::KehinForm(shell::Shell &) : ui::Form(ui::prizeListDefinition()) {}

}  // namespace lists
