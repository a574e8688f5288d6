#pragma once

#include <QPoint>
#include <QRect>

// Layouts are designed in twips (1/1440 inch); 15 twips make one device-independent pixel
// at 96 dpi. Qt scales device-independent pixels for HiDPI screens itself.
inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(double twips)
{
    return static_cast<int>(twips / kTwipsPerPixel + (twips >= 0 ? 0.5 : -0.5));
}

constexpr double PixelsToTwips(int pixels)
{
    return static_cast<double>(pixels) * kTwipsPerPixel;
}

inline QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}
