// The saver's names as the world outside the module sees them: window
// classes and titles, captions, message texts, the maker, the registry key
// and its values, resource ids. Written here as literals on purpose, once,
// for every test that looks at the module from outside (end to end, host,
// release, art): a change to the module's own constants must fail those
// tests, so nothing here includes the module's headers.
#pragma once

namespace pinned {

// The module's file, and the saver's name: the full-screen window's title,
// the product name (string 1), the version resource's product and the
// uninstall entry.
inline constexpr char kModuleFile[] = "BrinemereDuzo.scr";
inline constexpr char kSaverName[] = "Brinemere Duzo Screensaver";
// The windows of the two other window modes, and the configuration dialog
// (whose class message boxes share).
inline constexpr char kSaverClass[] = "ZSaverClass";
inline constexpr char kPreviewClass[] = "ZSaverClass2";
inline constexpr char kPreviewTitle[] = "Brinemere Duzo Screensaver Preview";
inline constexpr char kTestClass[] = "ZSaverClass3";
inline constexpr char kTestTitle[] = "Brinemere Duzo Screensaver Test";
inline constexpr char kDialogClass[] = "#32770";
inline constexpr char kDialogCaption[] = "Brinemere Duzo v1.5 configuration";
// The maker, and the settings under HKEY_CURRENT_USER.
inline constexpr char kMaker[] = "Talvork Interactive";
inline constexpr char kMakerKey[] = "Software\\Talvork Interactive";
inline constexpr char kSettingsKey[] = "Software\\Talvork Interactive\\Brinemere Duzo Screensaver\\Settings";
inline constexpr char kWideScreen[] = "WideScreen";
inline constexpr char kExitOnMouse[] = "ExitOnMouse";
inline constexpr char kCamSpeed[] = "CamSpeed";
inline constexpr char kAllDisplays[] = "AllDisplays";
// The dialog's check box of that choice.
inline constexpr char kAllDisplaysCaption[] = "Show the sea on every display";
// Message boxes: titles and texts.
inline constexpr char kErrorTitle[] = "Brinemere Duzo Screensaver Error";
inline constexpr char kNoDirect3DText[] = "Unable to create Direct3D object";
inline constexpr char kNoDeviceText[] = "Unable to initialize Direct3D.";
inline constexpr char kNoTexturesText[] = "Unable to load textures";
inline constexpr char kNoGeometryText[] = "Unable to load geometry";
inline constexpr char kInitializationFailedText[] = "Initialization failed...";
inline constexpr char kWarningTitle[] = "Warning";
inline constexpr char kDirectXMissingTitle[] = "Hollowmead Screensaver Error";
inline constexpr char kDirectXMissingText[] =
    "Brinemere Duzo Screensaver requires DirectX 9.0 or later. Download last version of DirectX?";
inline constexpr char kPixelShaderText[] =
    "Screensaver requires videocard with Pixel Shader v2.0 support and will not work on this computer ";

// Resource ids.
constexpr int kProductNameString = 1;
constexpr int kIconGroup = 101;
constexpr int kHomePageButton = 1000;
constexpr int kOkButton = 1007;
constexpr int kCancelButton = 1009;
constexpr int kSpeedTrackbar = 1026;
constexpr int kExitOnMouseCheckBox = 1036;
constexpr int kWideScreenCheckBox = 1037;
constexpr int kAllDisplaysCheckBox = 1038;
constexpr int kBanner = 245;
constexpr int kPreviewBitmap = 246;
constexpr int kNoiseFirst = 334;
constexpr int kFlareStar = 360;
constexpr int kFlareGlow = 361;
constexpr int kFlareRing = 362;
constexpr int kFresnelRamp = 363;
constexpr int kHeightmapFirst = 370;
constexpr int kSkyFaceFirst = 430;
constexpr int kSkyCube = 436;

}  // namespace pinned
