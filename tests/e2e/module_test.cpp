// The module file itself: what Windows reads from it without running it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "resources/resource_ids.h"
#include "saver_release.h"
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
    // Windows builds the activation context from the manifest, which must
    // name the module's own architecture (this test is built like the
    // module) for it and for Common Controls, and the version its version
    // resource gives.
    const std::string architecture =
        sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    int named = 0;
    for (size_t at = xml.find(architecture); at != std::string::npos; at = xml.find(architecture, at + 1))
        ++named;
    EXPECT_EQ(named, 2) << architecture;
    EXPECT_NE(xml.find("version=\"" SAVER_VERSION_TEXT ".0\""), std::string::npos);
    FreeLibrary(module);
}
