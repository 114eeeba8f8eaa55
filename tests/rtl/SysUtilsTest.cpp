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

TEST(DateTime, CountsDaysFrom1899AndDateDropsTheTime) {
  // Any run of this test is long after 2020-01-01 (day 43831) and before 2100 (day 73051).
  const TDateTime today = Date();
  const TDateTime now = Now();
  EXPECT_GT(now, 43831.0);
  EXPECT_LT(now, 73051.0);
  EXPECT_EQ(today, static_cast<double>(static_cast<int64_t>(today)));
  EXPECT_LE(today, now);
  EXPECT_LT(now - today, 1.0 + 1e-6);  // midnight may pass between the two calls
}

}  // namespace pictova
