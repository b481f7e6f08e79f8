// Screenshots from the Windows side of a test: a screen rectangle saved as a
// 24-bit BMP (scripts turn them into PNG for people to look at).
#pragma once

#include <windows.h>

#include <string>

// Saves the given screen rectangle; the directory is created if needed.
bool SaveScreenshot(const RECT& screenRect, const std::string& path);

// out\screens\NAME.bmp in the repository, whatever the test's folder.
std::string ScreenshotPath(const std::string& name);
