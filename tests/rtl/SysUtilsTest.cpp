#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace pictova {

TEST(EInOutError, CarriesTheRuntimeTextsAndCode) {
  EXPECT_EQ(EInOutError(2).Message(), "File not found");
  EXPECT_EQ(EInOutError(5).Message(), "File access denied");
  EXPECT_EQ(EInOutError(100).Message(), "Read beyond end of file");
  EXPECT_EQ(EInOutError(103).Message(), "I/O error 103");
  EXPECT_EQ(EInOutError(32).ErrorCode(), 32);
  try {
    throw EInOutError(100);
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Read beyond end of file");
  }
}

TEST(Format, FormatsLikePrintfIncludingLongOutput) {
  EXPECT_EQ(Format("I/O error %d", -1), "I/O error -1");
  EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
  EXPECT_EQ(Format("%s", ""), "");
}

}  // namespace pictova
