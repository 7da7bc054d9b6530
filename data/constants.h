// The installer's constant area: one read-only block, generated at build time from
// data/constant_pool.txt, holding every text, number, byte set and array header the flow
// uses, packed back to back in that file's order. The symbols below point at the items
// themselves, so the flow refers to each constant directly.
//
// Kinds as stored:
//   texts         GBK bytes and one zero byte (usable as const char*)
//   numbers       8 raw bytes of a double; read with ConstantNumber() (no alignment)
//   byte sets     int32 1, int32 length, bytes; read with StoredByteSet() (runtime/byte_set.h)
//   array headers int32 1, int32 element count; read with ConstantArrayHeader()
// Releasing a pointer into the area is a no-op (IsInConstantArea in runtime/frame.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "runtime/byte_set.h"

extern "C" {

// Bounds of the whole area.
extern const uint8_t ConstantAreaStart[];
extern const uint8_t ConstantAreaEnd[];

extern const char ConstSelectInstallTitle[];    // 1  "请选择安装位置"
extern const char ConstEmpty[];                 // 2  the empty text
extern const char ConstBackslash[];             // 3  "\"
extern const char ConstSelectFolderTitle[];     // 4  "请选择文件夹路径"
extern const char ConstQuestionMark[];          // 5  "?"
extern const char ConstDoubleBackslash[];       // 6  "\\"
extern const uint8_t ConstHundred[];            // 7  100.0
extern const uint8_t ConstFinishPicture[];      // 8  byte set: the 220x80 "完成" JPEG
extern const char ConstExeSuffix[];             // 9  ".exe"
extern const char ConstLogShortcutOk[];         // 10 "3.创建快捷方式..成功"
extern const char ConstLogShortcutFailed[];     // 11 "3.创建快捷方式..失败"
extern const char ConstCompletionCaption[];     // 12 "温馨提示："
extern const char ConstCompletionQuestion[];    // 13 "安装完成！..." (61 bytes)
extern const char ConstDriveArchiveSuffix[];    // 14 ":\tool.zip"
extern const char ConstTempArchiveSuffix[];     // 15 "\tool.zip"
extern const char ConstRunningCaptionSuffix[];  // 16 "<没有关闭>"
extern const char ConstRunningMessage[];        // 17 "请先关闭原来的软件再开始安装，否则无法安装！"
extern const char ConstInstallAdvice[];         // 18 the advice before installing (225 bytes)
extern const uint8_t ConstProcessArrayHeader[]; // 19 array header: 1 dimension, 256 elements
extern const char ConstLogReleasing[];          // 20 "1.释放压缩包.."
extern const uint8_t ConstPayloadArchive[];     // 21 byte set: the product archive
extern const char ConstLogExtracting[];         // 22 "2.开始解压.."
extern const char ConstWriteFailedMessage[];    // 23 "写入失败！..." (86 bytes)
extern const char ConstDriveDLower[];           // 24 "d:"
extern const char ConstRootC[];                 // 25 "C:\"
extern const char ConstRootD[];                 // 26 "D:\"
extern const char ConstBrandTexts[];            // 27 brand table texts (see brand_table.h)
extern const char ConstVerticalBar[];           // 28 "|"
extern const uint8_t ConstBytesPerMiB[];        // 29 1048576.0
extern const uint8_t ConstEmptyArrayHeader[];   // 30 array header: 1 dimension, 0 elements
// Appended later; each "%s" is filled in by the flow (FillIn in flow/failure_messages.h).
extern const char ConstExtractFailedMessage[];    // 31 "解压失败！..." with the install folder
extern const char ConstDiskFullMessage[];         // 32 "磁盘空间不足！..." with the folder and the MB needed
extern const char ConstFileNotWritableMessage[];  // 33 "文件写入失败！..." with the file
extern const char ConstDamagedMessage[];          // 34 "安装包已损坏，请重新下载..."
extern const char ConstBadNameMessage[];          // 35 "文件名无法创建！..." with the name
extern const char ConstUsageText[];               // 36 the command line's usage
// Appended later: names a screen reader is told.
extern const char ConstStartName[];               // 37 "安装"
extern const char ConstFinishName[];              // 38 "完成"
extern const char ConstCloseName[];               // 39 "关闭"

}  // extern "C"

namespace quill {

// For ProgramHeader::constantStart / constantSize.
inline const uint8_t* ConstantAreaBegin() { return ConstantAreaStart; }
inline uint32_t ConstantAreaSize() { return static_cast<uint32_t>(ConstantAreaEnd - ConstantAreaStart); }

// Numbers sit at arbitrary byte offsets, so they are copied out rather than dereferenced.
inline double ConstantNumber(const uint8_t* stored) {
    double value;
    std::memcpy(&value, stored, sizeof(value));
    return value;
}

struct ArrayHeader {
    int32_t dimensions;
    int32_t count;
};

inline ArrayHeader ConstantArrayHeader(const uint8_t* stored) {
    ArrayHeader header;
    std::memcpy(&header.dimensions, stored, 4);
    std::memcpy(&header.count, stored + 4, 4);
    return header;
}

}  // namespace quill
