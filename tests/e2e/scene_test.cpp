// End to end: what the full-screen saver shows, captured from the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

// The banner shows for thirty seconds from the saver's first frame: a
// picture taken within this time of the process start certainly has it.
constexpr DWORD kBannerMs = 25000;
constexpr int kWidth = 800;
constexpr int kHeight = 600;

const RECT kScreen = {0, 0, kWidth, kHeight};

void EndWithAKey(SaverProcess& saver) {
    PostMessageA(saver.WaitForWindow(pinned::kSaverClass, nullptr, 0), WM_KEYDOWN, VK_ESCAPE, 0);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
}

// The screen at frame 45 of a flight seeded by the stand-in d3d9.dll: the
// same moment of the same flight on every run.
ScreenPixels HeldFrame(const std::string& moreOverrides, const std::string& name) {
    SaverOptions options = WithFault("none\nseed-4242\nhold-after-45");
    options.dllOverrides += moreOverrides;
    SaverProcess saver("", options);
    EXPECT_TRUE(saver.Started());
    EXPECT_TRUE(WaitForStandInLog("held at frame 45", saver)) << StandInLog();
    PumpMessagesFor(300);  // the last frame reaches the screen
    const ScreenPixels screen = CaptureScreen(kScreen);
    SaveScreenshot(kScreen, ScreenshotPath(name));
    EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
    EndWithAKey(saver);
    WithFault("");
    return screen;
}

TEST(Scene, FadesInToASunsetSkyAboveAMovingSeaWithTheBanner) {
    // Frames counted by the stand-in d3d9.dll, not the clock: the pictures
    // come from the same frames however busy the machine is.
    SaverProcess saver("", WithFault("none\nmeasure-frames-60"));
    const DWORD started = GetTickCount();
    ASSERT_TRUE(saver.Started());
    ASSERT_TRUE(WaitForStandInLog("frame 30 sky", saver)) << StandInLog();
    PumpMessagesFor(100);
    const DWORD bannerShownMs = GetTickCount() - started;
    const ScreenPixels first = CaptureScreen(kScreen);
    SaveScreenshot(kScreen, ScreenshotPath("saver-1"));
    ASSERT_TRUE(WaitForStandInLog("frame 60 sky", saver)) << StandInLog();
    PumpMessagesFor(100);
    const ScreenPixels second = CaptureScreen(kScreen);
    SaveScreenshot(kScreen, ScreenshotPath("saver-2"));

    // A lit sky above the horizon, with some red in it at sunset.
    const double sky = first.MeanBrightness(0, 0, kWidth, kHeight / 3);
    EXPECT_GT(sky, 150.0) << "the sky is dark";
    // The sea below it is lit too and moves from one moment to the next.
    const double sea = first.MeanBrightness(0, kHeight * 2 / 3, kWidth / 2, kHeight);
    EXPECT_GT(sea, 30.0) << "no lit sea below the horizon";
    EXPECT_GT(MeanDifference(first, second, 0, kHeight * 2 / 3, kWidth / 2, kHeight), 2.0)
        << "the sea did not move in thirty frames";
    // The banner sits in the lower right corner: light lettering on a dark
    // panel, which the sea around it never shows. It stays for thirty
    // seconds of the clock, which an emulated run can spend before its
    // thirtieth frame: then it is rightly gone and not looked for.
    if (bannerShownMs < kBannerMs) {
        int light = 0, dark = 0;
        for (int y = 510; y < 565; ++y)
            for (int x = 580; x < 760; ++x) {
                const int b = Brightness(first.At(x, y));
                light += b > 600 ? 1 : 0;
                dark += b < 150 ? 1 : 0;
            }
        EXPECT_GT(light, 100) << "no lettering in the lower right";
        EXPECT_GT(dark, 2000) << "no banner panel in the lower right";
    } else {
        std::printf("frame 30 came %lu ms after the start: the banner's time was over\n",
                    static_cast<unsigned long>(bannerShownMs));
    }

    EndWithAKey(saver);
    EXPECT_FALSE(ScreenSaverRunningFlag()) << "the screen-saver-running flag was left set";
    WithFault("");
}

// The opening fade, seen in the frames themselves: the stand-in reads each
// one back as it is presented. The first is black, the sky brightens frame
// by frame over the first fourteen, and from then on it is fully lit.
TEST(Scene, OpensWithAFadeFromBlack) {
    constexpr int kFadeFrames = 14;
    SaverProcess saver("", WithFault("none\nmeasure-frames-20"));
    ASSERT_TRUE(saver.Started());
    ASSERT_TRUE(WaitForStandInLog("frame 20 sky", saver)) << StandInLog();
    std::vector<double> sky(21, -1.0);
    const std::string log = StandInLog();
    for (size_t at = log.find("frame "); at != std::string::npos; at = log.find("frame ", at + 1)) {
        unsigned frame = 0;
        double brightness = 0;
        if (std::sscanf(log.c_str() + at, "frame %u sky %lf", &frame, &brightness) == 2 && frame < sky.size())
            sky[frame] = brightness;
    }
    EXPECT_LT(sky[1], 10.0) << "the first frame is not black";
    for (int frame = 2; frame <= kFadeFrames + 1; ++frame)
        EXPECT_GT(sky[frame], sky[frame - 1]) << "frame " << frame << " is not brighter than the one before";
    EXPECT_GT(sky[kFadeFrames + 1], 150.0) << "the sky is not lit once the fade is over";
    EXPECT_NEAR(sky[20], sky[kFadeFrames + 1], 0.2 * sky[kFadeFrames + 1]) << "still fading after the fade";
    EndWithAKey(saver);
    WithFault("");
}

// Wine's d3dcompiler_47.dll in the test prefix's system directory swapped
// for the stand-in compiler (tests/support/fault_d3dcompiler) with this
// fault, for as long as the object lives; the saver takes it with
// d3dcompiler_47 set to native.
class StandInCompiler {
public:
    explicit StandInCompiler(const std::string& fault) {
        Restore();  // from a run that ended half-way
        const std::string module = SaverModulePath();
        const std::string standIn = module.substr(0, module.find_last_of("\\/")) + "\\fault\\d3dcompiler_47.dll";
        swapped_ =
            MoveFileA(Installed().c_str(), Saved().c_str()) && CopyFileA(standIn.c_str(), Installed().c_str(), FALSE);
        std::ofstream(SystemDirectoryPath("d3dcompiler-fault.txt"), std::ios::trunc) << fault << "\n";
        DeleteFileA(SystemDirectoryPath("d3dcompiler-calls.log").c_str());
    }
    ~StandInCompiler() { Restore(); }
    bool Swapped() const { return swapped_; }
    static std::string Calls() {
        std::ifstream file(SystemDirectoryPath("d3dcompiler-calls.log"));
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    static std::string Installed() { return SystemDirectoryPath("d3dcompiler_47.dll"); }
    static std::string Saved() { return SystemDirectoryPath("d3dcompiler_47.dll.platform"); }
    static void Restore() {
        if (GetFileAttributesA(Saved().c_str()) != INVALID_FILE_ATTRIBUTES)
            MoveFileExA(Saved().c_str(), Installed().c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    bool swapped_ = false;
};

// Without any HLSL compiler on the system, with one that fails on the text,
// and with one whose byte code the device refuses, the sea is drawn with the
// byte code the build compiled: the same picture as with a working compiler.
TEST(Scene, TheSeaNeedsNoWorkingSystemCompiler) {
    const ScreenPixels compiled = HeldFrame("", "held-frame-compiler");
    std::string noCompiler;
    for (const char* version : {"47", "46", "43", "42", "41", "40", "39"})
        noCompiler += std::string(";d3dcompiler_") + version + "=d";
    const struct {
        const char* name;
        const char* fault;  // of the stand-in compiler, or none
        std::string overrides;
    } cases[] = {
        {"no-compiler", nullptr, noCompiler},
        {"failing-compiler", "compile-fail", ";d3dcompiler_47=n"},
        {"refused-byte-code", "bad-bytecode", ";d3dcompiler_47=n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<StandInCompiler> standIn;
        if (c.fault != nullptr) {
            standIn.emplace(c.fault);
            ASSERT_TRUE(standIn->Swapped());
        }
        const ScreenPixels precompiled = HeldFrame(c.overrides, std::string("held-frame-") + c.name);
        if (c.fault != nullptr) {
            EXPECT_NE(StandInCompiler::Calls().find(std::string("D3DCompile VS_Main_Ultra vs_1_1: ") + c.fault),
                      std::string::npos)
                << "the stand-in compiler was not asked:\n"
                << StandInCompiler::Calls();
        }
        ASSERT_EQ(precompiled.pixels.size(), compiled.pixels.size());
        EXPECT_GT(precompiled.MeanBrightness(0, kHeight * 2 / 3, kWidth / 2, kHeight), 30.0) << "no lit sea";
        EXPECT_LT(MeanDifference(compiled, precompiled, 0, kHeight / 2, kWidth, kHeight), 2.0);
        EXPECT_LT(MeanDifference(compiled, precompiled, 0, 0, kWidth, kHeight / 2), 2.0) << "not the same moment";
    }
}

}  // namespace
