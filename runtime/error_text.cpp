#include "runtime/error_text.h"

#include <cstdio>

// 运行时出错!
static const char kHeading[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n";
// 错误代码：
static const char kCodeLabel[] = "\r\n\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";
// 错误信息：
static const char kMessageLabel[] = "\r\n\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";
// 未找到所指定的窗口
static const char kNoWindow[] = "\r\n\xCE\xB4\xD5\xD2\xB5\xBD\xCB\xF9\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA";
// 组件
static const char kUnitSuffix[] = "\xD7\xE9\xBC\xFE";

static void AppendQuotedName(std::string& out, const std::string& name) {
  out += "\r\n\"";
  out += name;
  out += '"';
}

std::string ErrorDetailText(uint32_t position, uint32_t line, const ErrorSubject& subject) {
  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "\r\n%d, %d", static_cast<int32_t>(position),
                static_cast<int32_t>(line));
  std::string detail = numbers;
  if (position != 0 && IsWindowPosition(position)) {
    if (!subject.windowFound) {
      detail += kNoWindow;
    } else {
      AppendQuotedName(detail, subject.windowName);
      if (subject.unitFound) {
        AppendQuotedName(detail, subject.unitName);
      } else {
        detail += kNoWindow;
        detail += kUnitSuffix;
      }
    }
  }
  detail += "\r\n";
  return detail;
}

std::string ErrorBoxText(const char* message, int32_t code, const std::string& detail) {
  std::string box = kHeading;
  if (code != 0) {
    box += kCodeLabel;
    box += std::to_string(code);
    box += "\r\n";
  }
  if (message && *message) {
    box += kMessageLabel;
    box += message;
    box += "\r\n";
  }
  box += detail;
  return box;
}
