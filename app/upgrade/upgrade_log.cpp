#include "app/upgrade/upgrade_log.h"

#include <cstdio>

#include "app/dll_commands.h"
#include "app/version.h"

namespace app {
namespace {

// SYSTEMTIME
struct LocalTime {
  uint16_t year, month, weekday, day, hour, minute, second, milliseconds;
};
static_assert(sizeof(LocalTime) == 16);

LocalTime Now() {
  LocalTime now{};
  Dll(pi::kDllGetLocalTime, {Address(&now)});
  return now;
}

// Appending access: every write lands at the end, whoever else appends.
uint32_t OpenForAppending(const std::string& path) {
  constexpr uint32_t kAppendData = 4, kShareReadWrite = 3, kOpenAlways = 4, kNormal = 0x80;
  return Dll(pi::kDllCreateFileA, {Address(path.c_str()), kAppendData, kShareReadWrite, 0, kOpenAlways, kNormal, 0});
}

}  // namespace

UpgradeLog& Log() {
  static UpgradeLog log;
  return log;
}

void UpgradeLog::Begin(const std::string& runDirectory) {
  if (file_ == kInvalidHandle) {
    path_ = JoinPath(runDirectory, "upgrade.log");
    file_ = OpenForAppending(path_);
  }
  if (file_ == kInvalidHandle) {
    char temp[kPathBuffer] = {};
    const uint32_t length = Dll(pi::kDllGetTempPathA, {kPathBuffer, Address(temp)});
    path_ = length && length < kPathBuffer ? JoinPath(temp, "upgrade.log") : std::string();
    if (!path_.empty()) file_ = OpenForAppending(path_);
    if (file_ == kInvalidHandle) path_.clear();
  }
  const LocalTime now = Now();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  Write(std::string("\r\n==== ") + stamp + " PE软件包升级 " + UPGRADER_VERSION_TEXT + " ====\r\n");
}

void UpgradeLog::Line(const std::string& text) {
  const LocalTime now = Now();
  char stamp[16];
  // Milliseconds: where a slow stick spends an upgrade's time.
  std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u ", now.hour, now.minute, now.second, now.milliseconds);
  Write(stamp + text + "\r\n");
}

void UpgradeLog::End(int32_t exitCode, bool refused) {
  Line(std::string(refused ? "结果：未升级，退出码 " : "结果：退出码 ") + std::to_string(exitCode));
  Write("==== 结束 ====\r\n");
}

void UpgradeLog::Write(const std::string& text) {
  if (file_ == kInvalidHandle) return;
  uint32_t written = 0;
  Dll(pi::kDllWriteFile, {file_, Address(text.data()), static_cast<uint32_t>(text.size()), Address(&written), 0});
}

}  // namespace app
