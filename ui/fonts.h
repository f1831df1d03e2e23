#pragma once
// The windows name Windows' Japanese faces. Where a face is missing (or cannot draw Japanese
// at any size), an installed Japanese face of the same style stands in, so every text renders
// at its exact size, its Latin letters and digits in the same face as its Japanese.

#include "ui/formdef.h"

#include <QFont>

namespace ui {

// Call once, before the first window is built: where the platform's user-interface font has
// no Japanese, the application's font becomes a Japanese gothic of its size.
void installFontSubstitutions();

// The font of a definition, in its face or the face that stands in for it (which then also
// stands in wherever else that face is named).
QFont makeFont(const FontDef &def);

}  // namespace ui
