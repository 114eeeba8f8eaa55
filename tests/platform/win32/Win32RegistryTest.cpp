// The win32 registry service against the system's own registry (under Wine): values written
// with RegSetValueExA come back raw, and TRegistry applies its rules to them.
#include <gtest/gtest.h>

#include "platform/win32/Win32Platform.h"

// Last: <windows.h> (see Win32Api.h).
#include "platform/win32/Win32Api.h"

namespace pictova {
namespace {

constexpr const char* kKey = "Software\\PictovaRegistryTest";

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    InstallPlatform(CreateWin32Platform());
  }
  void TearDown() override {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    ShutdownPlatform();
  }
  void Set(const char* name, DWORD type, const std::vector<uint8_t>& data) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
};

TEST_F(Win32RegistryTest, ReadsTheCurrentUsersValuesRaw) {
  IRegistry& reg = Platform().Registry();
  EXPECT_FALSE(reg.KeyExists(kKey));
  TRegistry r;
  EXPECT_FALSE(r.OpenKeyReadOnly(kKey));
  HKEY probe = nullptr;
  EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &probe), ERROR_SUCCESS);  // not created

  Set("Flag", REG_DWORD, {1, 0, 0, 0});
  Set("Text", REG_SZ, {'h', 'i', 0});
  Set("Large", REG_BINARY, std::vector<uint8_t>(70000, 0xAB));
  Set("Short", REG_BINARY, {1, 2});
  EXPECT_TRUE(reg.KeyExists("software\\pictovaregistrytest"));
  EXPECT_FALSE(reg.QueryValue(kKey, "Missing").has_value());
  const std::optional<TRegValue> large = reg.QueryValue(kKey, "Large");
  ASSERT_TRUE(large.has_value());
  EXPECT_EQ(large->Type, kRegBinary);
  EXPECT_EQ(large->Data.size(), 70000u);

  ASSERT_TRUE(r.OpenKeyReadOnly(kKey));
  EXPECT_EQ(r.ReadInteger("Flag"), 1);
  EXPECT_EQ(r.ReadString("Text"), "hi");
  EXPECT_TRUE(r.ValueExists("Short"));
  EXPECT_FALSE(r.ValueExists("Missing"));
  try {
    r.ReadInteger("Large");
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Failed to get data for 'Large'");
  }
  try {
    r.ReadInteger("Short");
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Short'");
  }
}

}  // namespace
}  // namespace pictova
