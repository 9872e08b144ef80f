#pragma once

#include <QRect>

namespace pellmarch::platform {

// Window geometry is designed in twips (1440 to the inch). At 96 logical dots per inch a logical
// pixel is 15 twips; Qt's high-DPI scaling takes it from there to device pixels.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value) {
    return (value + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr int toTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

// left, top, width, height in twips
constexpr QRect twipsRect(int left, int top, int width, int height) {
    return {twips(left), twips(top), twips(width), twips(height)};
}

} // namespace pellmarch::platform
