// The service stubs keep their register contracts.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/runtime_app.h"
#include "runtime/services.h"
#include "runtime/typed_value.h"
#include "tests/runtime/register_call.h"
#include "tests/runtime/test_program.h"

namespace {

uint32_t Stub(ServiceIndex index) { return reinterpret_cast<uint32_t>(g_serviceStubs[index]); }

struct CommandSeen {
  int32_t count = -1;
  const TypedValue* args = nullptr;
};
CommandSeen g_seen;

// Echoes its first argument's three words as the result.
void __cdecl EchoCommand(TypedValue* result, int32_t count, const TypedValue* args) {
  g_seen = {count, args};
  if (count > 0) *result = args[0];
}
void __cdecl SilentCommand(TypedValue*, int32_t count, const TypedValue* args) { g_seen = {count, args}; }

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    lengthCommand_ = program_.AddDllCommand("kernel32.dll", "lstrlenA");
    processCommand_ = program_.AddDllCommand("kernel32.dll", "GetCurrentProcess");
    app_ = new RuntimeApp(program_.Image(), 0, nullptr);
    app_->InitialiseRuntime();
  }
  void TearDown() override { delete app_; }

  static void ExpectCalleeSavedKept(const RegisterCall& call, uint32_t ebx) {
    EXPECT_EQ(call.outEbx, ebx);
    EXPECT_EQ(call.outEsi, kSentinelEsi);
    EXPECT_EQ(call.outEdi, kSentinelEdi);
    EXPECT_EQ(call.outEbp, kSentinelEbp);
  }

  TestProgram program_;
  RuntimeApp* app_ = nullptr;
  int lengthCommand_ = 0, processCommand_ = 0;
};

TEST_F(Services, MemoryServicesKeepCalleeSavedRegisters) {
  RegisterCall allocate = MakeCall(Stub(kServiceAllocateMemory), 0, 0x0EB0EB0E, {64});
  CallWithRegisters(&allocate);
  ExpectCalleeSavedKept(allocate, 0x0EB0EB0E);
  EXPECT_EQ(allocate.espMoved, 0);  // the caller removes the arguments
  ASSERT_NE(allocate.outEax, 0u);

  RegisterCall resize = MakeCall(Stub(kServiceResizeMemory), 0, 0x0EB0EB0E, {allocate.outEax, 128});
  CallWithRegisters(&resize);
  ExpectCalleeSavedKept(resize, 0x0EB0EB0E);
  ASSERT_NE(resize.outEax, 0u);
  EXPECT_GE(HeapSize(GetProcessHeap(), 0, reinterpret_cast<void*>(resize.outEax)), 128u);

  RegisterCall release = MakeCall(Stub(kServiceFreeMemory), 0, 0x0EB0EB0E, {resize.outEax});
  CallWithRegisters(&release);
  ExpectCalleeSavedKept(release, 0x0EB0EB0E);

  RegisterCall loop = MakeCall(Stub(kServiceRunMessageLoop), 0, 0x0EB0EB0E, {});
  CallWithRegisters(&loop);  // no live window: returns at once
  ExpectCalleeSavedKept(loop, 0x0EB0EB0E);
  EXPECT_TRUE(app_->messageLoopEntered);
}

TEST_F(Services, LibraryCommandsReturnAllThreeResultWords) {
  for (ServiceIndex service : {kServiceCallLibraryCommand, kServiceCallCoreCommand}) {
    SCOPED_TRACE(service);
    // Two arguments: (0x11111111, 0x22222222, 0x80000401) and an integer 7.
    RegisterCall call = MakeCall(Stub(service), 3, reinterpret_cast<uint32_t>(&EchoCommand), {2, 0x11111111, 0x22222222, 0x80000401, 7, 0, kTagInt});
    CallWithRegisters(&call);
    EXPECT_EQ(call.outEax, 0x11111111u);
    EXPECT_EQ(call.outEdx, 0x22222222u);
    EXPECT_EQ(call.outEcx, 0x80000401u);
    ExpectCalleeSavedKept(call, reinterpret_cast<uint32_t>(&EchoCommand));
    EXPECT_EQ(call.espMoved, 0);
    EXPECT_EQ(g_seen.count, 2);
    EXPECT_EQ(g_seen.args[1].low, 7u);
    EXPECT_EQ(g_seen.args[1].tag, static_cast<uint32_t>(kTagInt));
  }
}

TEST_F(Services, ResultRecordIsZeroedBeforeTheCommand) {
  RegisterCall noisy = MakeCall(Stub(kServiceCallCoreCommand), 0, reinterpret_cast<uint32_t>(&EchoCommand), {1, 0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC});
  CallWithRegisters(&noisy);  // leaves those words on the stack below us
  RegisterCall quiet = MakeCall(Stub(kServiceCallCoreCommand), 0, reinterpret_cast<uint32_t>(&SilentCommand), {0});
  CallWithRegisters(&quiet);
  EXPECT_EQ(g_seen.count, 0);
  EXPECT_EQ(quiet.outEax, 0u);
  EXPECT_EQ(quiet.outEdx, 0u);
  EXPECT_EQ(quiet.outEcx, 0u);
}

TEST_F(Services, UtilityDispatcherPassesTheCallersArguments) {
  RegisterCall call = MakeCall(Stub(kServiceCallUtilityService), kUtilityRegisterEndHandler, 0x0EB0EB0E, {0x00401234});
  CallWithRegisters(&call);
  ExpectCalleeSavedKept(call, 0x0EB0EB0E);
  EXPECT_EQ(call.espMoved, 0);
  ASSERT_EQ(app_->endHandlers.size(), 1u);
  EXPECT_EQ(app_->endHandlers[0], 0x00401234u);
  CallWithRegisters(&call);  // the same subroutine again is not added
  EXPECT_EQ(app_->endHandlers.size(), 1u);
  app_->endHandlers.clear();
}

TEST_F(Services, DllDispatcherLeavesTheCallersStackToTheFunction) {
  static const char kText[] = "hello";
  RegisterCall length = MakeCall(Stub(kServiceCallDllCommand), static_cast<uint32_t>(lengthCommand_), 0x0EB0EB0E, {reinterpret_cast<uint32_t>(kText)});
  CallWithRegisters(&length);
  EXPECT_EQ(length.outEax, 5u);
  EXPECT_EQ(length.espMoved, 4);  // the function removed its own argument
  ExpectCalleeSavedKept(length, 0x0EB0EB0E);

  RegisterCall process = MakeCall(Stub(kServiceCallDllCommand), static_cast<uint32_t>(processCommand_), 0x0EB0EB0E, {});
  CallWithRegisters(&process);
  EXPECT_EQ(process.outEax, 0xFFFFFFFFu);
  EXPECT_EQ(process.espMoved, 0);
  ExpectCalleeSavedKept(process, 0x0EB0EB0E);
}

TEST_F(Services, StubsJumpThroughTheTableInItsOrder) {
  // Each stub's jump names the table slot of its own index.
  for (int i = 0; i < kServiceCount; ++i) {
    const auto* code = reinterpret_cast<const uint8_t*>(g_serviceStubs[i]);
    ASSERT_EQ(code[0], 0xFF);
    ASSERT_EQ(code[1], 0x25);
    uint32_t slot;
    std::memcpy(&slot, code + 2, 4);
    EXPECT_EQ(slot, reinterpret_cast<uint32_t>(&g_runtimeServices[i])) << "stub " << i;
  }
}

}  // namespace
