// The module file itself: what Windows reads from it without running it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/support/saver_process.h"

TEST(Module, CarriesItsNameIconAndManifest) {
    HMODULE module =
        LoadLibraryExA(SaverModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    char name[128] = {};
    // Windows lists the saver under string 1.
    static_assert(IDS_PRODUCT_NAME == 1, "Windows reads the saver's name from string 1");
    EXPECT_GT(LoadStringA(module, IDS_PRODUCT_NAME, name, sizeof name), 0);
    EXPECT_STREQ(name, "Brinemere Duzo Screensaver");
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(IDI_SAVER), MAKEINTRESOURCEA(14)), nullptr) << "the icon group";
    HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    const std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    EXPECT_NE(xml.find("dpiAware"), std::string::npos);
    FreeLibrary(module);
}
