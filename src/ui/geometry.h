#pragma once

#include "ui/controls.h"

namespace corvane {

// Dialog base units of a font: the average width of its letters and its character height, in
// pixels. A dialog unit is a quarter of the first horizontally and an eighth of the second
// vertically.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// The base units of the font the templates were laid out with (8-point at 96 dots per inch),
// against which the list columns' pixel widths are given.
constexpr DialogBaseUnits kTemplateBaseUnits{6, 13};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Point {
    int x = 0;
    int y = 0;
};

// A screen rectangle as left, top, right, bottom.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// value * numerator / denominator, rounded half away from zero.
int mulDiv(int value, int numerator, int denominator);

PixelRect dialogRectToPixels(const DialogRect& rect, DialogBaseUnits units);

// A pixel size given for the template's font, scaled to a font with the given base units.
int scaleTemplatePixels(int pixels, DialogBaseUnits units);

// Top-left corner that centres a dialog with the given client size over the rectangle. Each
// halving truncates toward zero on its own, so the four divisions are kept apart.
Point centreOverRectangle(const ScreenRect& rect, int clientWidth, int clientHeight);

} // namespace corvane
