// A fresh headless platform and application for each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/HeadlessPlatform.h"
#include "ui/Application.h"

namespace pictova {

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto platform = std::make_unique<THeadlessPlatform>(Options());
    FPlatform = platform.get();
    InstallPlatform(std::move(platform));
    FApp = std::make_unique<TApplication>();
  }
  void TearDown() override {
    FApp.reset();
    ShutdownPlatform();
  }
  virtual THeadlessOptions Options() const { return {}; }

  THeadlessPlatform& Headless() { return *FPlatform; }
  TApplication& App() { return *FApp; }
  uint64_t Now() { return Platform().Clock().NowMs(); }

 private:
  THeadlessPlatform* FPlatform = nullptr;
  std::unique_ptr<TApplication> FApp;
};

}  // namespace pictova
