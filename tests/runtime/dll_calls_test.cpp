// Declared DLL functions: resolution, its cache, and the redirection.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/compiled_calls.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"
#include "tests/runtime/test_program.h"

namespace {

class DllCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    ntQuery_ = program_.AddDllCommand("ntdll.dll", "NtQueryInformationProcess");
    messageBox_ = program_.AddDllCommand("", "MessageBoxA");
    byOrdinal_ = program_.AddDllCommand("probe.dll", "#3");
    probe_ = program_.AddDllCommand("probe.dll", "ProbeValue");
    app_ = new RuntimeApp(program_.Image(), 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  TestProgram program_;
  RuntimeApp* app_ = nullptr;
  int ntQuery_ = 0, messageBox_ = 0, byOrdinal_ = 0, probe_ = 0;
};

TEST_F(DllCalls, ResolvedOnceThenCached) {
  uint32_t basic[6] = {};
  uint32_t returned = 0;
  const uint32_t process = reinterpret_cast<uint32_t>(GetCurrentProcess());
  auto query = [&] {
    return DllCall(ntQuery_, {process, 0, reinterpret_cast<uint32_t>(basic), sizeof basic,
                              reinterpret_cast<uint32_t>(&returned)}, 0, 0);
  };
  EXPECT_EQ(app_->dllAddresses[ntQuery_], 0u);
  EXPECT_EQ(query(), 0u);  // STATUS_SUCCESS
  EXPECT_EQ(basic[4], GetCurrentProcessId());  // UniqueProcessId
  const uint32_t module = app_->dllModules[ntQuery_];
  const uint32_t address = app_->dllAddresses[ntQuery_];
  EXPECT_EQ(module, reinterpret_cast<uint32_t>(GetModuleHandleA("ntdll.dll")));
  EXPECT_EQ(address, reinterpret_cast<uint32_t>(GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                               "NtQueryInformationProcess")));
  basic[4] = 0;
  EXPECT_EQ(query(), 0u);
  EXPECT_EQ(basic[4], GetCurrentProcessId());
  EXPECT_EQ(app_->dllModules[ntQuery_], module);
  EXPECT_EQ(app_->dllAddresses[ntQuery_], address);
}

TEST_F(DllCalls, EmptyLibraryNameSearchesTheSystemLibraries) {
  EXPECT_EQ(ResolveDllCommand(messageBox_),
            reinterpret_cast<uint32_t>(GetProcAddress(GetModuleHandleA("user32.dll"), "MessageBoxA")));
  EXPECT_EQ(app_->dllModules[messageBox_], reinterpret_cast<uint32_t>(GetModuleHandleA("user32.dll")));
}

TEST_F(DllCalls, OrdinalNamesAndTheRunDirectory) {
  EXPECT_EQ(DllCall(byOrdinal_, {40, 2}, 0, 0), 42u);  // ordinal 3: ProbeAdd
  HMODULE probe = GetModuleHandleA("probe.dll");
  ASSERT_NE(probe, nullptr);
  char path[MAX_PATH];
  GetModuleFileNameA(probe, path, sizeof path);
  EXPECT_EQ(std::string(path), app_->runDirectory + "\\probe.dll");
}

TEST_F(DllCalls, OverrideServesOneResolutionAndIsNotCached) {
  EXPECT_EQ(DllCall(probe_, {}, 0, 0), 42u);
  app_->dllOverrideModule = GetModuleHandleA("probe.dll");
  app_->dllOverrideName = "ProbeAdd";
  EXPECT_EQ(DllCall(probe_, {1, 2}, 0, 0), 3u);
  EXPECT_EQ(app_->dllOverrideModule, nullptr);
  EXPECT_TRUE(app_->dllOverrideName.empty());
  EXPECT_EQ(DllCall(probe_, {}, 0, 0), 42u);  // the cache still holds ProbeValue
}

}  // namespace
