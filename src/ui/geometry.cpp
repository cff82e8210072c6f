#include "ui/geometry.h"

#include <cstdint>

namespace corvane {

int mulDiv(int value, int numerator, int denominator) {
    if (denominator == 0)
        return 0;
    const std::int64_t product = std::int64_t(value) * numerator;
    const std::int64_t half = (denominator < 0 ? -denominator : denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) /
                                   (denominator < 0 ? -denominator : denominator);
    return int(negative ? -magnitude : magnitude);
}

PixelRect dialogRectToPixels(const DialogRect& rect, DialogBaseUnits units) {
    return {mulDiv(rect.x, units.x, 4), mulDiv(rect.y, units.y, 8), mulDiv(rect.width, units.x, 4),
            mulDiv(rect.height, units.y, 8)};
}

int scaleTemplatePixels(int pixels, DialogBaseUnits units) {
    return mulDiv(pixels, units.x, kTemplateBaseUnits.x);
}

Point centreOverRectangle(const ScreenRect& rect, int clientWidth, int clientHeight) {
    return {rect.left + (rect.right - rect.left) / 2 - clientWidth / 2,
            rect.top + (rect.bottom - rect.top) / 2 - clientHeight / 2};
}

} // namespace corvane
