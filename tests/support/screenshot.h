// Screenshots from the Windows side of a test: a screen rectangle read as
// pixels to look at, or saved as a 24-bit BMP (scripts turn them into PNG
// for people to look at).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A screen rectangle's pixels as 0x00RRGGBB, row by row from the top.
struct ScreenPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Mean brightness (R + G + B, 0..765) of a part, in the capture's own
    // coordinates.
    double MeanBrightness(int left, int top, int right, int bottom) const;
};

ScreenPixels CaptureScreen(const RECT& screenRect);

// The client area of a window, in screen coordinates.
RECT ClientRectOnScreen(HWND window);

// Mean absolute brightness difference of two captures of the same size over
// a part of them.
double MeanDifference(const ScreenPixels& a, const ScreenPixels& b, int left, int top, int right, int bottom);

inline int Brightness(uint32_t pixel) { return ((pixel >> 16) & 255) + ((pixel >> 8) & 255) + (pixel & 255); }

// Saves the given screen rectangle.
bool SaveScreenshot(const RECT& screenRect, const std::string& path);

// out\screens\NAME.bmp in the repository, whatever the test's folder; the
// folder is made if needed.
std::string ScreenshotPath(const std::string& name);
