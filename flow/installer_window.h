// The installer window as readable source: every unit with its type, name, geometry,
// container, flags, cursor, events and own properties. Plain C++ so the build-time
// generator can serialise it; tests use it to compare the running window with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/template_format.h"

namespace quill {

constexpr uint32_t kInstallerWindowId = 0x52010001;

// Unit identifiers of the installer window's units (list order).
enum InstallerUnit : uint32_t {
    kUnitLog = 0x16010001,            // 标签_日志
    kUnitCloseGlyph = 0x16010002,     // 透明标签4
    kUnitIconBox = 0x16010003,        // 图片框1
    kUnitProgress = 0x16010004,       // 进度条1
    kUnitZip = 0x16010005,            // ZIP压缩1
    kUnitTimer4 = 0x16010006,         // 时钟4
    kUnitFinishButton = 0x16010007,   // 图形按钮3
    kUnitLogo2 = 0x16010008,          // 图片框_Logo2
    kUnitTitle3 = 0x16010009,         // 透明标签3
    kUnitProgressFill = 0x1601000A,   // 图片框_进度
    kUnitProgressFrame = 0x1601000B,  // 图片框_进度框
    kUnitCloseButton = 0x1601000C,    // 图形按钮10
    kUnitAdBox = 0x1601000D,          // 图片框_AD
    kUnitTitle2 = 0x1601000E,         // 透明标签2
    kUnitStartButton = 0x1601000F,    // 图形按钮1
    kUnitFolderCaption = 0x16010010,  // 标签1
    kUnitTitle = 0x16010011,          // 透明标签1
    kUnitLogo = 0x16010012,           // 图片框_Logo
    kUnitInstallFolder = 0x16010013,  // 标签_安装目录
    kUnitTimer3 = 0x16010014,         // 时钟3
    kUnitTimer2 = 0x16010015,         // 时钟2
    kUnitTimer1 = 0x16010016,         // 时钟1
    kUnitPage1 = 0x16010017,          // 图片框1_背景
    kUnitPage2 = 0x16010018,          // 图片框2_背景
    kUnitPage3 = 0x16010019,          // 图片框3_背景
};

// Reads a picture file of assets/ by name (e.g. "button_install.jpg"); the bytes.
using AssetLoader = std::function<std::string(const std::string& name)>;

// Byte offset of a named handler in the handler table, for a target of the given
// pointer size; -1 when the name is unknown.
int32_t HandlerOffset(const std::string& name, int pointerSize);

// The product the window names: its brand folder as the brand table holds it (GBK, ending
// in one backslash, e.g. "Tessaly软件\") and its name.
struct InstalledProduct {
    std::string brandFolder;
    std::string name;
};

WindowTemplate BuildInstallerTemplate(const AssetLoader& loadAsset, const InstalledProduct& product,
                                      int pointerSize);

}  // namespace quill
