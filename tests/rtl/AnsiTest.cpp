#include "rtl/Ansi.h"

#include <gtest/gtest.h>

namespace pictova {

TEST(Ansi, UpperCasesOnlyAsciiLetters) {
  EXPECT_EQ(AnsiUpperCase("photo.jpg"), "PHOTO.JPG");
  EXPECT_EQ(AnsiUpperCase("\xe9t\xe9-{z}"), "\xe9T\xe9-{Z}");  // é stays é
  EXPECT_TRUE(SameTextAscii("Jpg", "JPG"));
  EXPECT_FALSE(SameTextAscii("JPEG", "JPG"));
}

TEST(Ansi, ConvertsCodePage1252ToUtf8AndBack) {
  const std::string ansi = "Caf\xe9 \x80 \x93quote\x94 \x9f \x81";
  const std::string utf8 = Cp1252ToUtf8(ansi);
  EXPECT_EQ(utf8, "Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cquote\xe2\x80\x9d \xc5\xb8 \xc2\x81");
  EXPECT_EQ(Utf8ToCp1252(utf8), ansi);
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    ASSERT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
  // Characters outside the code page and broken sequences become '?'.
  EXPECT_EQ(Utf8ToCp1252("\xe4\xb8\xad"), "?");
  EXPECT_EQ(Utf8ToCp1252("a\xc3"), "a?");
  EXPECT_EQ(Utf8ToCp1252("\xff" "b"), "?b");
}

}  // namespace pictova
