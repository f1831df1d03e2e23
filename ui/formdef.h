#pragma once
// Windows are declared as data: a window definition and its controls, with every
// length in twips (1440 to the inch). ui::Form (ui/form.cpp) builds the widgets from one.
// Nothing here needs widgets.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace ui {

enum class ControlKind { CommandButton, Label, TextBox, CheckBox, Frame, PictureBox, Line };
enum class BorderStyle { FixedDialog, FixedSingle };
enum class ButtonRole { None, Default, Cancel };

struct FontDef {
    QString face;          // empty: inherit the container's font
    double pointSize = 0;  // kept exactly (13.2 is not 13)
    int weight = 400;      // 400 regular, 700 bold
    bool isSet() const { return !face.isEmpty(); }
};

// Colours are 0x00BBGGRR values, as stored in the definitions.
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b)
{
    return Colour(r) | (Colour(g) << 8) | (Colour(b) << 16);
}
constexpr int red(Colour c)
{
    return int(c & 0xff);
}
constexpr int green(Colour c)
{
    return int((c >> 8) & 0xff);
}
constexpr int blue(Colour c)
{
    return int((c >> 16) & 0xff);
}

struct ControlDef {
    ControlKind kind = ControlKind::Label;
    QString name;
    int index = -1;  // element of a control array, or -1
    QString caption;
    int left = 0, top = 0, width = 0, height = 0;  // in the container; a line's (X1,Y1)-(X2,Y2)
    int tabIndex = -1;                             // lines have none
    FontDef font;
    std::optional<Colour> backColour;
    std::optional<Colour> foreColour;
    bool visible = true;
    ButtonRole role = ButtonRole::None;
    QString image;   // resource path of a picture box's image
    QString parent;  // the frame that holds this control, empty for the window
    int parentIndex = -1;
    QString accessibleName;  // for controls without a caption of their own

    ControlDef &in(const QString &frame, int frameIndex = -1)
    {
        parent = frame;
        parentIndex = frameIndex;
        return *this;
    }
    ControlDef &withFont(const FontDef &f)
    {
        font = f;
        return *this;
    }
    ControlDef &withBackColour(Colour c)
    {
        backColour = c;
        return *this;
    }
    ControlDef &withRole(ButtonRole r)
    {
        role = r;
        return *this;
    }
    ControlDef &hidden()
    {
        visible = false;
        return *this;
    }
    ControlDef &withImage(const QString &path)
    {
        image = path;
        return *this;
    }
    ControlDef &named(const QString &accessible)
    {
        accessibleName = accessible;
        return *this;
    }
};

struct WindowDef {
    QString name;
    QString caption;
    int clientWidth = 0, clientHeight = 0;
    BorderStyle border = BorderStyle::FixedDialog;
    FontDef font;
    QString icon;
    std::vector<ControlDef> controls;

    ControlDef &add(ControlKind kind, const QString &controlName, int index, const QString &caption, int left, int top,
                    int width, int height, int tabIndex)
    {
        ControlDef c;
        c.kind = kind;
        c.name = controlName;
        c.index = index;
        c.caption = caption;
        c.left = left;
        c.top = top;
        c.width = width;
        c.height = height;
        c.tabIndex = tabIndex;
        controls.push_back(c);
        return controls.back();
    }
};

}  // namespace ui
