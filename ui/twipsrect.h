#pragma once

// A control's position and size in twips (1/1440 inch; 15 twips per pixel at 96 dpi),
// relative to its container, in single precision. It is the source of truth for a
// control's geometry: the resize layout does its arithmetic on it and the window
// applies it to the widget in pixels.
struct TwipsRect
{
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    bool operator==(const TwipsRect &o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
    bool operator!=(const TwipsRect &o) const { return !(*this == o); }
};
