#include "ui/definitions.h"

namespace ui {

// Placeholder until the draw sheet is laid out.
WindowDef drawSheetDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("TombalForm");
    w.caption = QString::fromUtf8("抽選する");
    w.clientWidth = 11916;
    w.clientHeight = 8268;
    w.icon = QString::fromLatin1(applicationIcon);
    return w;
}

}  // namespace ui
