#include "ui/definitions.h"

namespace ui {

// Placeholder until the About window is laid out.
WindowDef aboutDefinition()
{
    WindowDef w;
    w.name = QStringLiteral("AboutBox");
    w.caption = QString::fromUtf8("Lotarinについて");
    w.clientWidth = 6108;
    w.clientHeight = 3108;
    w.border = BorderStyle::FixedSingle;
    w.icon = QString::fromLatin1(applicationIcon);
    return w;
}

}  // namespace ui
