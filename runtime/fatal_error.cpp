// Fatal runtime errors: one box on the raising thread, then the end of the program with
// exit code -1, without the program's exit routine (its state may be what went wrong).
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/wide_text.h"
#include "runtime/frame.h"

namespace quill {

namespace {

const char* const kErrorTexts[] = {
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
constexpr int kErrorCount = static_cast<int>(sizeof kErrorTexts / sizeof kErrorTexts[0]);

}  // namespace

void RaiseRuntimeError(const char* message, int code) {
    // Nothing of the program may run any more, not even on another thread.
    BeginProgramEnd();

    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%d", code);
        text += "错误代码：";
        text += number;
        text += "\r\n\r\n";
    }
    if (message && message[0] != '\0') {
        text += "错误信息：";
        text += message;
        text += "\r\n";
    }
    MessageBoxW(nullptr, ToWide(text).c_str(), ToWide("错误").c_str(), MB_OK | MB_ICONERROR);

    if (Header().buildKind == 2) DebugBreak();
    ForgetExitRoutine();
    EndProgram(-1);
}

void RaiseRuntimeErrorCode(int code) {
    const char* text = (code >= 1 && code <= kErrorCount) ? kErrorTexts[code - 1] : "";
    RaiseRuntimeError(text, code);
}

void CheckIndex(int32_t index, int32_t count) {
    if (index < 1) RaiseRuntimeErrorCode(4);
    if (index > count) RaiseRuntimeErrorCode(1);
}

}  // namespace quill
