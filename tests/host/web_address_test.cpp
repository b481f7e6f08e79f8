// Addresses handed to the shell.
#include "host/web_address.h"

#include <gtest/gtest.h>

#include <string>

TEST(WebAddress, MailAddressesGetMailtoAndPagesStayAsTheyAre) {
    EXPECT_EQ(BuildWebAddress("someone@example.org"), "mailto:someone@example.org");
    EXPECT_EQ(BuildWebAddress("https://example.org/"), "https://example.org/");
    // Only an at sign ahead of '%', '/' and ':' makes a mail address.
    EXPECT_EQ(BuildWebAddress("https://user@example.org/"), "https://user@example.org/");
    EXPECT_EQ(BuildWebAddress("example.org/a@b"), "example.org/a@b");
    EXPECT_EQ(BuildWebAddress("a%40b@c"), "a%40b@c");
    EXPECT_EQ(BuildWebAddress(""), "");
    EXPECT_EQ(BuildWebAddress(nullptr), "");
    // The three addresses the saver opens are pages, not mail.
    EXPECT_EQ(BuildWebAddress(kHomePageAddress), kHomePageAddress);
    EXPECT_EQ(BuildWebAddress(kFaqPageAddress), kFaqPageAddress);
    EXPECT_EQ(BuildWebAddress(kDirectXDownloadAddress), kDirectXDownloadAddress);
}

TEST(WebAddress, LongAddressesAreCutTo255Characters) {
    const std::string page(400, 'p');
    EXPECT_EQ(BuildWebAddress(page.c_str()), std::string(255, 'p'));
    const std::string mail = std::string(300, 'm') + "@example.org";
    const std::string built = BuildWebAddress(mail.c_str());
    EXPECT_EQ(built.size(), 255u);
    EXPECT_EQ(built.rfind("mailto:", 0), 0u);
}
