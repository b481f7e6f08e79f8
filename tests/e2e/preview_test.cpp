// End to end: the preview inside the Screen Saver Settings' little window,
// played here by a parent window of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

bool CursorShown() {
    CURSORINFO info = {};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return (info.flags & CURSOR_SHOWING) != 0;
}

TEST(Preview, FillsItsParentWithThePictureAndEndsWithIt) {
    PreviewHost host(152, 112);
    ASSERT_NE(host.get(), nullptr);
    SaverProcess saver(host.Arguments());
    HWND preview = host.WaitForPreview(saver);
    ASSERT_NE(preview, nullptr);
    PumpMessagesFor(500);
    RECT parent = {}, child = {};
    GetClientRect(host.get(), &parent);
    GetClientRect(preview, &child);
    EXPECT_EQ(child.right, parent.right);
    EXPECT_EQ(child.bottom, parent.bottom);

    // The picture is painted over the black class background.
    RECT onScreen = {};
    GetWindowRect(preview, &onScreen);
    ASSERT_TRUE(SaveScreenshot(onScreen, ScreenshotPath("preview")));
    HDC screen = GetDC(nullptr);
    int coloured = 0;
    for (int y = onScreen.top + 4; y < onScreen.bottom; y += 9)
        for (int x = onScreen.left + 4; x < onScreen.right; x += 9)
            coloured += GetPixel(screen, x, y) != RGB(0, 0, 0) ? 1 : 0;
    ReleaseDC(nullptr, screen);
    EXPECT_GT(coloured, 20) << "the preview shows no picture";

    host.Close();
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

TEST(Preview, HidesTheCursorOnlyInAParentAtLeast300Wide) {
    for (int width : {299, 300}) {
        SCOPED_TRACE(width);
        const bool shownBefore = CursorShown();
        PreviewHost host(width, 200);
        SaverProcess saver(host.Arguments());
        ASSERT_NE(host.WaitForPreview(saver), nullptr);
        PumpMessagesFor(300);
        if (width < 300)
            EXPECT_EQ(CursorShown(), shownBefore);
        else
            EXPECT_FALSE(CursorShown());
        host.Close();
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
        PumpMessagesFor(200);
    }
}

TEST(Preview, ParentThatIsNoWindowOrGoesAtOnce) {
    // A number that names no window: the preview cannot be created, which
    // the user is told, and the process still ends with 0.
    {
        SaverProcess saver("/p 1234567");
        const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, pinned::kInitializationFailedText);
        PressButton(box->window, IDOK);
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
    }
    // A parent that is gone before the preview could settle: whichever way
    // the race goes, the process ends with 0 and does not hang.
    {
        PreviewHost host(152, 112);
        SaverProcess saver(host.Arguments());
        host.Close();
        const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(3000);
        if (box.has_value())
            PressButton(box->window, IDOK);
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
    }
}

}  // namespace
