/* The names the saver shows and looks for, each defined here only: the
   saver's name, the configuration dialog's caption (the .rc files use both),
   the window classes and titles of the three window modes. Another copy
   finds a running one by these. */
#ifndef BRINEMERE_SAVER_NAMES_H
#define BRINEMERE_SAVER_NAMES_H

#define SAVER_NAME "Brinemere Duzo Screensaver"
#define CONFIG_DIALOG_CAPTION "Brinemere Duzo v1.5 configuration"

#ifndef RC_INVOKED
inline constexpr char kSaverName[] = SAVER_NAME;
inline constexpr char kConfigDialogCaption[] = CONFIG_DIALOG_CAPTION;
inline constexpr char kSaverWindowClass[] = "ZSaverClass";
inline constexpr char kSaverWindowTitle[] = SAVER_NAME;
inline constexpr char kPreviewWindowClass[] = "ZSaverClass2";
inline constexpr char kPreviewWindowTitle[] = SAVER_NAME " Preview";
inline constexpr char kTestWindowClass[] = "ZSaverClass3";
inline constexpr char kTestWindowTitle[] = SAVER_NAME " Test";
#endif

#endif
