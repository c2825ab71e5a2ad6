#include "runtime/error_reporter.h"

#include <windows.h>

#include <string>

#include "runtime/error_text.h"
#include "runtime/form_seam.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"

// ORDER: error codes 0-11.
static const char* const kErrorCodeMessages[12] = {
    nullptr,
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};

const char* ErrorCodeMessage(int32_t code) {
  return code >= 0 && code < 12 ? kErrorCodeMessages[code] : nullptr;
}

static ErrorSubject DescribePosition(const FormSeam* forms, uint32_t position, uint32_t line) {
  ErrorSubject subject;
  if (!forms || !forms->windowName) return subject;
  const char* windowName = forms->windowName(position);
  if (!windowName) return subject;
  subject.windowFound = true;
  subject.windowName = windowName;
  uint32_t unitId = 0;
  const char* unitName = nullptr;
  if (forms->unitOf && forms->unitOf(position, line, &unitId, &unitName) && (unitId >> 24) != 0x26) {
    subject.unitFound = true;
    subject.unitName = unitName ? unitName : "";
  }
  return subject;
}

void ReportError(const char* message, int32_t code, uint32_t position, uint32_t line) {
  RuntimeApp* app = RuntimeApp::Exists() ? &RuntimeApp::Get() : nullptr;
  if (app) InterlockedIncrement(&app->suppressDepth);

  ErrorSubject subject;
  if (app && position != 0 && IsWindowPosition(position))
    subject = DescribePosition(app->forms, position, line);
  const std::string detail = ErrorDetailText(position, line, subject);

  bool shown = false;
  if (app && app->errorHook && !app->errorHookRunning) {
    app->errorHookRunning = true;
    const std::string text = std::string(message ? message : "") + detail;
    shown = app->errorHook(code, text.c_str()) != 0;
    app->errorHookRunning = false;
  }
  if (!shown) {
    const std::string box = ErrorBoxText(message, code, detail);
    MessageBoxA(nullptr, box.c_str(), "错误", MB_ICONERROR);
  }
  if (!app) ExitProcess(0xFFFFFFFFu);
  app->endHandlers.clear();
  app->EndProgram(-1);
}

extern "C" void __cdecl ReportRuntimeError(int32_t code, uint32_t position, uint32_t line) {
  ReportError(ErrorCodeMessage(code), code, position, line);
}

extern "C" void __cdecl NotSupportedEntry() {
  ReportError("静态编译的程序不支持调用位于外部Zorn包中的子程序", 0, 0, 0);
}
