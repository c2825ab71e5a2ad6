// The error box text, byte for byte.
#include "runtime/error_text.h"

#include <gtest/gtest.h>

// GBK: 运行时出错!
#define HEADING "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n"
// GBK: 错误代码： / 错误信息：
#define CODE_LABEL "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA"
#define MESSAGE_LABEL "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA"
// GBK: 未找到所指定的窗口 / 组件
#define NO_WINDOW "\xCE\xB4\xD5\xD2\xB5\xBD\xCB\xF9\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA"
#define UNIT "\xD7\xE9\xBC\xFE"
// GBK: 调用DLL命令后发现堆栈错误
#define STACK_MESSAGE "\xB5\xF7\xD3\xC3" "DLL" "\xC3\xFC\xC1\xEE\xBA\xF3\xB7\xA2\xCF\xD6\xB6\xD1\xD5\xBB\xB4\xED\xCE\xF3"

TEST(ErrorText, CodeMessageAndPosition) {
  const std::string detail = ErrorDetailText(0x04013E3A, 79, {});
  EXPECT_EQ(detail, "\r\n67190330, 79\r\n");
  EXPECT_EQ(ErrorBoxText(STACK_MESSAGE, 6, detail),
            HEADING "\r\n" CODE_LABEL "6\r\n\r\n" MESSAGE_LABEL STACK_MESSAGE "\r\n\r\n67190330, 79\r\n");
}

TEST(ErrorText, CodeZeroAndEmptyMessageShowOnlyHeadingAndDetail) {
  const std::string detail = ErrorDetailText(0, 0, {});
  EXPECT_EQ(ErrorBoxText("", 0, detail), HEADING "\r\n0, 0\r\n");
  EXPECT_EQ(ErrorBoxText(nullptr, 0, detail), HEADING "\r\n0, 0\r\n");
}

TEST(ErrorText, WindowPositionsNameWindowAndUnit) {
  ErrorSubject subject;
  subject.windowFound = true;
  subject.windowName = "_启动窗口";
  subject.unitFound = true;
  subject.unitName = "编辑框1";
  EXPECT_EQ(ErrorDetailText(0x52010001, 0x16010003, subject),
            "\r\n1375797249, 369164291\r\n\"_启动窗口\"\r\n\"编辑框1\"\r\n");

  subject.unitFound = false;
  EXPECT_EQ(ErrorDetailText(0x52010001, 0x16010003, subject),
            "\r\n1375797249, 369164291\r\n\"_启动窗口\"\r\n" NO_WINDOW UNIT "\r\n");

  EXPECT_EQ(ErrorDetailText(0x52010001, 0, ErrorSubject{}), "\r\n1375797249, 0\r\n" NO_WINDOW "\r\n");
}

TEST(ErrorText, OnlyWindowClassPositionsAreLookedUp) {
  EXPECT_TRUE(IsWindowPosition(0x52010001));
  EXPECT_TRUE(IsWindowPosition(0x02000000));
  EXPECT_FALSE(IsWindowPosition(0x16010003));
  EXPECT_FALSE(IsWindowPosition(0x04013E3A));
  ErrorSubject subject;
  subject.windowFound = true;
  subject.windowName = "w";
  // A subroutine's id prints its numbers only, whatever the registry holds.
  EXPECT_EQ(ErrorDetailText(0x16010003, 5, subject), "\r\n369164291, 5\r\n");
  EXPECT_EQ(ErrorDetailText(0xF2000000, 1, ErrorSubject{}),
            "\r\n-234881024, 1\r\n" NO_WINDOW "\r\n");
}
