#pragma once
// Placement of a window in the middle of the screen: the arithmetic alone, in twips, apart
// from widgets. The window tests check where every window lands.

namespace ui {

// One axis: the offset of the window's edge from the screen's edge, in twips.
// The difference is taken in single precision, rounded to the nearest integer with a
// half going to the even neighbour, then halved truncating toward zero; so a window
// 301 twips wider than the screen lands at -150, and a difference of 300.5 gives 150.
int centredOffset(float screenLength, float windowLength);

struct Position {
    int left;
    int top;
};

// Both axes, all lengths in twips.
Position centredPosition(float screenWidth, float screenHeight, float windowWidth, float windowHeight);

}  // namespace ui
