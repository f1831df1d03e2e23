#pragma once
// The five window definitions. Each is constant data: loading a window builds it afresh
// from its definition.

#include "ui/formdef.h"
#include "ui/images.h"

namespace ui {

WindowDef mainMenuDefinition();   // tbMainForm
WindowDef participantListDefinition();  // SankaForm
WindowDef prizeListDefinition();        // KehinForm
WindowDef drawSheetDefinition();        // TombalForm
WindowDef aboutDefinition();            // AboutBox

// The icon every window carries in its title bar.
inline constexpr const char *applicationIcon = images::icon;

}  // namespace ui
