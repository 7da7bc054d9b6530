// Archives shaped like the product archive the installer carries: twenty entries,
// folders listed before their contents, GBK names, stored and deflated files, DOS and
// Unix attributes, extended timestamps. `scale` sets the sizes: 1 gives about 8.7 MB
// unpacked and half that packed; small fractions give quick archives for campaigns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/archive/zip_builder.h"

namespace ziptest {

// Content that deflates to about half: runs of noise between runs of text.
inline std::string MixedContent(size_t size, uint32_t seed) {
    static const char kWords[] = "setting=value\r\nname=Orvenline\r\nport=8080\r\n[section]\r\n";
    std::string s(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        s[i] = ((i / 2048) % 2) ? static_cast<char>(x) : kWords[i % (sizeof kWords - 1)];
    }
    return s;
}

inline std::vector<Entry> PayloadLikeEntries(double scale) {
    struct EntrySpec {
        const char* name;
        size_t size;  // at scale 1
        uint16_t method;
    };
    static const EntrySpec kEntrySpecs[] = {
        {"OrvenlineCore.dll", 98304, 8},
        {"update.exe", 872448, 8},
        {"OrvenlineSettings.ini", 265, 8},
        {"share/", 0, 0},
        {"share/OrvenlineDefaultSettings.ini", 65643, 8},
        {"OrvenlineNetwork.dll", 290816, 8},
        {"已发数据/", 0, 0},
        {"截图/", 0, 0},
        {"提取数据/", 0, 0},
        {"提取数据/好友数据/", 0, 0},
        {"提取数据/成员数据/", 0, 0},
        {"提取数据/群数据/", 0, 0},
        {"Orvenline.exe", 4266624, 8},
        {"OrvenlineUI.dll", 1507328, 8},
        {"OrvenlineMedia.dll", 1048576, 8},
        {"OrvenlineData.dll", 524288, 8},
        {"readme.txt", 4096, 0},
        {"license.txt", 12288, 8},
        {"share/empty.txt", 0, 8},
        {"截图/说明.txt", 300, 0},
    };
    std::vector<Entry> entries;
    uint32_t seed = 1;
    for (const EntrySpec& s : kEntrySpecs) {
        const std::string name = s.name;
        if (name.back() == '/') {
            Entry folder = Folder(name);
            folder.externalAttributes = (seed % 2) ? 0x10 : 0x41ED0010;
            entries.push_back(folder);
        } else {
            Entry file = File(name, MixedContent(static_cast<size_t>(s.size * scale), seed), s.method);
            file.externalAttributes = (seed % 3 == 0) ? 0x81A40000 : (seed % 3 == 1 ? 0x20 : 0x21);
            if (seed % 2) file.localExtra = ExtendedTimestamp(3, {1575828082, 1575828082});
            entries.push_back(file);
        }
        ++seed;
    }
    return entries;
}

}  // namespace ziptest
