// The registry object's value rules over the emulated registry, and the INI file form of the
// Linux desktop's registry.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/IniRegistry.h"
#include "platform/headless/HeadlessPlatform.h"

namespace pictova {
namespace {

const char kDesktop[] = "Control Panel\\Desktop";
const char kName[] = "ScreenSaveUsePassword";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto p = std::make_unique<THeadlessPlatform>();
    FPlatform = p.get();
    InstallPlatform(std::move(p));
  }
  void TearDown() override { ShutdownPlatform(); }
  TMemoryRegistry& Reg() { return FPlatform->MemoryRegistry(); }

  // The message of the registry error ReadInteger raises, or "" when it reads.
  std::string IntegerError(const TRegValue& value) {
    Reg().SetValue(kDesktop, kName, value);
    TRegistry r;
    EXPECT_TRUE(r.OpenKeyReadOnly(kDesktop));
    try {
      r.ReadInteger(kName);
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return "";
  }

 private:
  THeadlessPlatform* FPlatform = nullptr;
};

TEST_F(RegistryTest, KeysOpenOnlyWhenTheyExistAndNeverAppear) {
  TRegistry r;
  EXPECT_FALSE(r.OpenKeyReadOnly(kDesktop));
  EXPECT_FALSE(r.HasCurrentKey());
  EXPECT_FALSE(Reg().KeyExists(kDesktop));  // opening did not create it
  EXPECT_FALSE(r.ValueExists(kName));
  EXPECT_THROW(r.ReadInteger(kName), ERegistryException);  // no key open: the read fails

  Reg().SetValue(kDesktop, kName, RegDword(1));
  EXPECT_TRUE(Reg().KeyExists("control panel"));  // the parent exists with its child
  EXPECT_TRUE(r.OpenKeyReadOnly("CONTROL PANEL\\desktop"));
  EXPECT_TRUE(r.ValueExists("screensaveusepassword"));
  EXPECT_FALSE(r.ValueExists("ScreenSaveUsePasswordX"));
  r.CloseKey();
  EXPECT_FALSE(r.ValueExists(kName));
}

TEST_F(RegistryTest, IntegersFollowTheSizeThenTypeRules) {
  EXPECT_EQ(IntegerError(RegDword(0)), "");
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly(kDesktop));
  EXPECT_EQ(r.ReadInteger(kName), 0);
  Reg().SetValue(kDesktop, kName, RegDword(0xFFFFFFFEu));
  EXPECT_EQ(r.ReadInteger(kName), -2);
  // A short integer value is zero-extended, an empty one reads 0.
  Reg().SetValue(kDesktop, kName, TRegValue{kRegDword, {0x34, 0x12}});
  EXPECT_EQ(r.ReadInteger(kName), 0x1234);
  Reg().SetValue(kDesktop, kName, TRegValue{kRegDword, {}});
  EXPECT_EQ(r.ReadInteger(kName), 0);

  const std::string failed = "Failed to get data for 'ScreenSaveUsePassword'";
  const std::string invalid = "Invalid data type for 'ScreenSaveUsePassword'";
  // More than 4 bytes fails whatever the type, a string "1" included (2 bytes with its NUL
  // is short enough to reach the type check).
  EXPECT_EQ(IntegerError(TRegValue{kRegDword, {1, 0, 0, 0, 0}}), failed);
  EXPECT_EQ(IntegerError(TRegValue{kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}}), failed);
  EXPECT_EQ(IntegerError(RegString("1000")), failed);
  EXPECT_EQ(IntegerError(RegString("1")), invalid);
  EXPECT_EQ(IntegerError(RegString("", kRegExpandSz)), invalid);
  EXPECT_EQ(IntegerError(TRegValue{kRegBinary, {1, 0, 0, 0}}), invalid);
  EXPECT_EQ(IntegerError(TRegValue{kRegNone, {}}), invalid);
  EXPECT_EQ(IntegerError(TRegValue{kRegMultiSz, {0, 0}}), invalid);
  EXPECT_EQ(IntegerError(TRegValue{5, {0, 0, 0, 1}}), invalid);  // big-endian integer
  Reg().DeleteValue(kDesktop, kName);
  EXPECT_EQ(IntegerError(TRegValue{kRegDword, std::vector<uint8_t>(100000, 1)}), failed);
}

TEST_F(RegistryTest, StringsReadUpToTheirNulAndRejectOtherTypes) {
  Reg().SetValue("Software\\Quillmark", "BalloonPen", RegString("clNavy"));
  Reg().SetValue("Software\\Quillmark", "Expand", RegString("%HOME%", kRegExpandSz));
  Reg().SetValue("Software\\Quillmark", "Unterminated", TRegValue{kRegSz, {'a', 'b'}});
  Reg().SetValue("Software\\Quillmark", "Embedded", TRegValue{kRegSz, {'a', 0, 'b', 0}});
  Reg().SetValue("Software\\Quillmark", "Number", RegDword(7));
  Reg().SetValue("Software\\Quillmark", "EmptyBinary", TRegValue{kRegBinary, {}});
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly("Software\\Quillmark"));
  EXPECT_EQ(r.ReadString("BalloonPen"), "clNavy");
  EXPECT_EQ(r.ReadString("Expand"), "%HOME%");
  EXPECT_EQ(r.ReadString("Unterminated"), "ab");
  EXPECT_EQ(r.ReadString("Embedded"), "a");
  EXPECT_EQ(r.ReadString("Missing"), "");
  EXPECT_EQ(r.ReadString("EmptyBinary"), "");
  try {
    r.ReadString("Number");
    ADD_FAILURE() << "an integer read as a string";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Invalid data type for 'Number'");
  }
}

TEST(IniRegistryTest, ParsesEveryValueFormAndLeavesOutBrokenLines) {
  TMemoryRegistry reg = ParseRegistryIni(
      "; a comment\r\n"
      "orphan=dword:1\n"  // before any section: left out
      "[Control Panel\\Desktop]\n"
      "ScreenSaveUsePassword = dword:00000001\n"
      "Hexy=dword:FFFFFFFF\n"
      "Big=qword:0000000100000002\n"
      "Text=sz: two words \n"
      "Path=expand:%HOME%\n"
      "Blob=hex:01, 02,ff\n"
      "NoBytes=hex:\n"
      "Typed=hex(5):00,00,00,01\n"
      "@=sz:default\n"
      "TooLong=dword:123456789\n"
      "NotHex=dword:12g\n"
      "BadByte=hex:1,200\n"
      "Unknown=float:1.5\n"
      "NoColon=1\n"
      "# another comment\n"
      "[]\n"
      "InEmptySection=dword:1\n"
      "[Software\\Quillmark]\n"
      "BalloonPen=sz:clNavy");
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "ScreenSaveUsePassword").value_or(TRegValue{}).Data, RegDword(1).Data);
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "Hexy").value_or(TRegValue{}).Data, RegDword(0xFFFFFFFFu).Data);
  ASSERT_TRUE(reg.QueryValue("Control Panel\\Desktop", "Big").has_value());
  const TRegValue big = *reg.QueryValue("Control Panel\\Desktop", "Big");
  EXPECT_EQ(big.Type, kRegQword);
  EXPECT_EQ(big.Data, (std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "Text").value_or(TRegValue{}).Data, RegString(" two words").Data);
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "Path").value_or(TRegValue{}).Type, kRegExpandSz);
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "Blob").value_or(TRegValue{}).Data, (std::vector<uint8_t>{1, 2, 0xff}));
  EXPECT_TRUE(reg.QueryValue("Control Panel\\Desktop", "NoBytes").value_or(TRegValue{}).Data.empty());
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "Typed").value_or(TRegValue{}).Type, 5u);
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "").value_or(TRegValue{}).Data, RegString("default").Data);
  for (const char* broken : {"TooLong", "NotHex", "BadByte", "Unknown", "NoColon", "orphan", "InEmptySection"})
    EXPECT_FALSE(reg.QueryValue("Control Panel\\Desktop", broken).has_value()) << broken;
  EXPECT_FALSE(reg.KeyExists("Control Panel\\Desktop\\Sub"));
  EXPECT_TRUE(reg.KeyExists("software"));
  EXPECT_EQ(reg.QueryValue("SOFTWARE\\QUILLMARK", "balloonpen").value_or(TRegValue{}).Data, RegString("clNavy").Data);
}

TEST(IniRegistryTest, TheFileIsReadAtEachQuery) {
  const std::string path = ::testing::TempDir() + "pictova-registry-test.ini";
  std::remove(path.c_str());
  TIniRegistry reg(path);
  EXPECT_FALSE(reg.KeyExists("Control Panel"));  // no file: an empty registry
  std::ofstream(path) << "[Control Panel\\Desktop]\nScreenSaveUsePassword=dword:0\n";
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "ScreenSaveUsePassword").value_or(TRegValue{}).Data, RegDword(0).Data);
  std::ofstream(path) << "[Control Panel\\Desktop]\nScreenSaveUsePassword=dword:1\n";
  EXPECT_EQ(reg.QueryValue("Control Panel\\Desktop", "ScreenSaveUsePassword").value_or(TRegValue{}).Data, RegDword(1).Data);
  std::remove(path.c_str());
}

#ifndef _WIN32
TEST(IniRegistryTest, ItsPlaceFollowsXdg) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(DefaultRegistryIniPath(), "/cfg/pictova/registry.ini");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultRegistryIniPath(), "/home/someone/.config/pictova/registry.ini");
  if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", savedHome.c_str(), 1);
}
#endif

}  // namespace
}  // namespace pictova
