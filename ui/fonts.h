#pragma once
// The windows name Windows' Japanese faces. Where a face is missing, an installed
// Japanese face of the same style stands in, so every text renders at its exact size.

#include "ui/formdef.h"

#include <QFont>

namespace ui {

// Registers the stand-in faces once, before the first window is built.
void installFontSubstitutions();

QFont makeFont(const FontDef &def);

}  // namespace ui
