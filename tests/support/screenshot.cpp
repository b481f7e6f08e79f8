// Screen capture through GDI.
#include "tests/support/screenshot.h"

#include <cstdlib>
#include <vector>

#include "tests/support/saver_process.h"

bool SaveScreenshot(const RECT& rect, const std::string& path) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const int rowBytes = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(rowBytes) * height);
    const int rows =
        GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;

    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + static_cast<DWORD>(pixels.size());
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    DWORD written = 0;
    const bool ok = WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr) &&
                    WriteFile(file, &header, sizeof header, &written, nullptr) &&
                    WriteFile(file, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(file);
    return ok;
}

ScreenPixels CaptureScreen(const RECT& rect) {
    ScreenPixels capture;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    if (capture.width <= 0 || capture.height <= 0)
        return {};
    capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, capture.width, capture.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, capture.height, capture.pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : capture.pixels)
        p &= 0x00FFFFFF;
    return capture;
}

double ScreenPixels::MeanBrightness(int left, int top, int right, int bottom) const {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            sum += Brightness(At(x, y));
    return sum / ((right - left) * (bottom - top));
}

double MeanDifference(const ScreenPixels& a, const ScreenPixels& b, int left, int top, int right, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            sum += std::abs(Brightness(a.At(x, y)) - Brightness(b.At(x, y)));
    return sum / ((right - left) * (bottom - top));
}

RECT ClientRectOnScreen(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT corner = {0, 0};
    ClientToScreen(window, &corner);
    OffsetRect(&client, corner.x, corner.y);
    return client;
}

std::string ScreenshotPath(const std::string& name) {
    // The tests run beside the module, in build\ or build\x64\, and out\ sits
    // beside build\.
    const std::string module = SaverModulePath();
    const std::string repo = module.substr(0, module.rfind("\\build\\"));
    CreateDirectoryA((repo + "\\out").c_str(), nullptr);
    CreateDirectoryA((repo + "\\out\\screens").c_str(), nullptr);
    return repo + "\\out\\screens\\" + name + ".bmp";
}
