// End to end: what the full-screen saver shows, captured from the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kExitMs = 30000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

// The screen's pixels as 0x00RRGGBB, row by row from the top.
std::vector<uint32_t> CaptureScreen() {
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, kWidth, kHeight, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, kHeight, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

int Brightness(uint32_t p) { return ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255); }

// Mean brightness (0..765) of a rectangle of the screen.
double MeanBrightness(const std::vector<uint32_t>& pixels, int left, int top, int right, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            sum += Brightness(pixels[static_cast<size_t>(y) * kWidth + x]);
    return sum / ((right - left) * (bottom - top));
}

// Mean absolute difference of two captures over a rectangle.
double MeanDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int left, int top,
                      int right, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            sum += std::abs(Brightness(a[i]) - Brightness(b[i]));
        }
    return sum / ((right - left) * (bottom - top));
}

TEST(Scene, FadesInToASunsetSkyAboveAMovingSeaWithTheBanner) {
    SaverProcess saver("");
    ASSERT_TRUE(saver.Started());
    ASSERT_NE(saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", kStartMs), nullptr);
    PumpMessagesFor(2500);
    ASSERT_TRUE(saver.IsRunning());
    const std::vector<uint32_t> first = CaptureScreen();
    SaveScreenshot({0, 0, kWidth, kHeight}, ScreenshotPath("saver-1"));
    PumpMessagesFor(1000);
    const std::vector<uint32_t> second = CaptureScreen();
    SaveScreenshot({0, 0, kWidth, kHeight}, ScreenshotPath("saver-2"));

    // A lit sky above the horizon, with some red in it at sunset.
    const double sky = MeanBrightness(first, 0, 0, kWidth, kHeight / 3);
    EXPECT_GT(sky, 150.0) << "the sky is dark";
    // The sea below it is lit too and moves from one second to the next.
    const double sea = MeanBrightness(first, 0, kHeight * 2 / 3, kWidth / 2, kHeight);
    EXPECT_GT(sea, 30.0) << "no lit sea below the horizon";
    EXPECT_GT(MeanDifference(first, second, 0, kHeight * 2 / 3, kWidth / 2, kHeight), 2.0)
        << "the sea did not move in a second";
    // The banner sits in the lower right corner: light lettering on a dark
    // panel, which the sea around it never shows.
    int light = 0, dark = 0;
    for (int y = 510; y < 565; ++y)
        for (int x = 580; x < 760; ++x) {
            const int b = Brightness(first[static_cast<size_t>(y) * kWidth + x]);
            light += b > 600 ? 1 : 0;
            dark += b < 150 ? 1 : 0;
        }
    EXPECT_GT(light, 100) << "no lettering in the lower right";
    EXPECT_GT(dark, 2000) << "no banner panel in the lower right";

    PostMessageA(saver.WaitForWindow("ZSaverClass", nullptr, 0), WM_KEYDOWN, VK_ESCAPE, 0);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(ScreenSaverRunningFlag()) << "the screen-saver-running flag was left set";
}

TEST(Scene, OpensWithAFadeFromBlack) {
    SaverProcess saver("");
    ASSERT_TRUE(saver.Started());
    HWND window = saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", kStartMs);
    ASSERT_NE(window, nullptr);
    // The first frames are dark: catch the screen as early as it shows anything.
    double darkest = 765;
    for (int i = 0; i < 40 && saver.IsRunning(); ++i) {
        const std::vector<uint32_t> now = CaptureScreen();
        darkest = std::min(darkest, MeanBrightness(now, 0, 0, kWidth, kHeight / 3));
        PumpMessagesFor(10);
    }
    EXPECT_LT(darkest, 60.0) << "the sky was bright from the first frame";
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

}  // namespace
