#include "ui/formdef.h"

#include <set>
#include <utility>

namespace ui {

QString validate(const WindowDef &def)
{
    std::set<std::pair<QString, int>> seen;
    std::vector<bool> tabUsed;
    int tabbed = 0, defaults = 0, cancels = 0;
    for (const ControlDef &c : def.controls) {
        const QString id = c.index < 0 ? c.name : QStringLiteral("%1(%2)").arg(c.name).arg(c.index);
        if (!seen.insert({c.name, c.index}).second)
            return QStringLiteral("duplicate control %1").arg(id);
        if (c.kind != ControlKind::Line) {
            ++tabbed;
            if (c.tabIndex < 0)
                return QStringLiteral("%1 has no tab index").arg(id);
            if (std::size_t(c.tabIndex) >= tabUsed.size())
                tabUsed.resize(std::size_t(c.tabIndex) + 1, false);
            if (tabUsed[std::size_t(c.tabIndex)])
                return QStringLiteral("tab index %1 used twice").arg(c.tabIndex);
            tabUsed[std::size_t(c.tabIndex)] = true;
        }
        if (!c.parent.isEmpty()) {
            const ControlDef *p = def.find(c.parent, c.parentIndex);
            if (!p || p->kind != ControlKind::Frame)
                return QStringLiteral("%1 is placed in a missing frame").arg(id);
        }
        defaults += c.role == ButtonRole::Default;
        cancels += c.role == ButtonRole::Cancel;
        if (c.role != ButtonRole::None && c.kind != ControlKind::CommandButton)
            return QStringLiteral("%1 has a button role but is no button").arg(id);
    }
    if (std::size_t(tabbed) != tabUsed.size())
        return QStringLiteral("tab indices do not run from 0 to %1").arg(tabbed - 1);
    if (defaults > 1 || cancels > 1)
        return QStringLiteral("more than one Default or Cancel button");
    return {};
}

}  // namespace ui
