// What the uninstaller says: its box texts, GBK bytes like every text of the system (the
// sources are UTF-8 and the literals compile to GBK). "%s" is filled in where it stands.
#pragma once

#include <string>

namespace quill {

inline constexpr char kUninstallCaptionSuffix[] = " 卸载";
inline constexpr char kUninstallPlainCaption[] = "卸载";
inline constexpr char kUninstallUsage[] =
    "无法识别的参数：%s\r\n\r\n用法：uninstall.exe [/S]\r\n/S  不提问、不显示结果，直接卸载";
inline constexpr char kUninstallRecordMissing[] = "找不到卸载记录，或卸载记录已损坏：\r\n%s\r\n\r\n无法卸载。";
// The caption is the installer's, as the situation is the same; the message says what is
// stopped: the removal, not an installation.
inline constexpr char kUninstallRunningCaptionSuffix[] = "<没有关闭>";
inline constexpr char kUninstallLeftFoldersNote[] = "\r\n\r\n以下文件夹未删除，因为其中还有不是安装时创建的文件：";
inline constexpr char kUninstallFailedNote[] =
    "\r\n\r\n以下文件或文件夹无法删除（可能正在使用或没有权限），请关闭相关程序后再次运行卸载程序：";
inline constexpr char kUninstallRefusedNote[] = "\r\n\r\n卸载记录中的以下条目指向安装目录之外，已拒绝处理：";
inline constexpr char kUninstallMore[] = "\r\n……";

inline std::string UninstallQuestion(const std::string& product) { return "确定要卸载 " + product + " 吗？"; }
// The box shown when the product runs.
inline std::string UninstallRunningMessage(const std::string& product) { return "请先关闭 " + product + " 再卸载"; }
inline std::string UninstallOutcome(const std::string& product, bool complete) {
    return product + (complete ? " 已卸载。" : " 未能完全卸载。");
}

}  // namespace quill
