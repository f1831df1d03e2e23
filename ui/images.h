#pragma once
// Resource paths of the images compiled into the program (ui/images/).

namespace ui::images {

// The application icon, 32 x 32 in two colours: the icon of every window and the first
// frame of the About window's animation.
inline constexpr char icon[] = ":/images/icon.png";

// The About window's animation: the icon turned about its vertical axis, narrower at each
// step, until frame 4 shows it edge-on as a thin bar.
inline constexpr const char *frames[5] = {
    icon, ":/images/frame1.png", ":/images/frame2.png", ":/images/frame3.png", ":/images/frame4.png",
};

// 50 x 50, 256 colours: bitmap A on the participant list and bitmap B on the prize list;
// the About window shows both.
inline constexpr char bitmapA[] = ":/images/bitmapA.bmp";
inline constexpr char bitmapB[] = ":/images/bitmapB.bmp";

}  // namespace ui::images
