// Builds ZIP archives in memory for the tests, field by field, so a test can make
// exactly the odd archive it needs (and knows where every header landed).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ziptest {

// 2019-12-08 18:01:22 in DOS form.
constexpr uint16_t kDosDate = ((2019 - 1980) << 9) | (12 << 5) | 8;
constexpr uint16_t kDosTime = (18 << 11) | (1 << 5) | (22 / 2);

struct Entry {
    std::string name;
    std::string data;                       // the uncompressed content
    uint16_t method = 8;                    // 0 stored, 8 deflate; others store `data` as it is
    uint16_t flags = 0;
    uint16_t versionMadeBy = 20;            // host byte 0: MS-DOS
    uint32_t externalAttributes = 0x20;
    uint16_t dosDate = kDosDate;
    uint16_t dosTime = kDosTime;
    std::string localExtra;
    std::string centralExtra;
    std::optional<std::string> rawData;     // written as the entry's data instead of compressing `data`
    std::optional<uint32_t> crc;            // instead of the CRC of `data`
};

inline Entry File(std::string name, std::string data, uint16_t method = 8) {
    Entry e;
    e.name = std::move(name);
    e.data = std::move(data);
    e.method = method;
    return e;
}

inline Entry Folder(std::string name) {
    Entry e;
    e.name = std::move(name);
    e.method = 0;
    e.externalAttributes = 0x10;
    return e;
}

// Where the pieces of the last built archive are.
struct Layout {
    std::vector<size_t> local;    // local header offsets
    std::vector<size_t> data;     // entry data offsets
    std::vector<size_t> central;  // central directory record offsets
    size_t endRecord = 0;         // end-of-central-directory record offset
};

inline void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
inline void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<uint16_t>(v >> 16));
}
inline void Set16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
inline void Set32(std::string& s, size_t at, uint32_t v) {
    Set16(s, at, static_cast<uint16_t>(v & 0xFFFF));
    Set16(s, at + 2, static_cast<uint16_t>(v >> 16));
}

// Raw deflate (no zlib header), as ZIP method 8 stores it.
inline std::string Deflate(const std::string& input, int level = Z_DEFAULT_COMPRESSION) {
    z_stream z = {};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(input.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// An extended-timestamp extra block ("UT") with the given flags and times.
inline std::string ExtendedTimestamp(uint8_t flags, const std::vector<uint32_t>& times) {
    std::string s;
    Put16(s, 0x5455);
    Put16(s, static_cast<uint16_t>(1 + 4 * times.size()));
    s += static_cast<char>(flags);
    for (uint32_t t : times) Put32(s, t);
    return s;
}

inline std::string Build(const std::vector<Entry>& entries, Layout* layout = nullptr) {
    Layout l;
    std::string zip;
    std::vector<std::string> stored;
    std::vector<uint32_t> crcs;
    for (const Entry& e : entries) {
        std::string data = e.rawData ? *e.rawData : (e.method == 8 ? Deflate(e.data) : e.data);
        const uint32_t crc = e.crc ? *e.crc : Crc(e.data);
        l.local.push_back(zip.size());
        Put32(zip, 0x04034B50);
        Put16(zip, 20);
        Put16(zip, e.flags);
        Put16(zip, e.method);
        Put16(zip, e.dosTime);
        Put16(zip, e.dosDate);
        Put32(zip, crc);
        Put32(zip, static_cast<uint32_t>(data.size()));
        Put32(zip, static_cast<uint32_t>(e.data.size()));
        Put16(zip, static_cast<uint16_t>(e.name.size()));
        Put16(zip, static_cast<uint16_t>(e.localExtra.size()));
        zip += e.name;
        zip += e.localExtra;
        l.data.push_back(zip.size());
        zip += data;
        stored.push_back(std::move(data));
        crcs.push_back(crc);
    }
    const size_t centralStart = zip.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        l.central.push_back(zip.size());
        Put32(zip, 0x02014B50);
        Put16(zip, e.versionMadeBy);
        Put16(zip, 20);
        Put16(zip, e.flags);
        Put16(zip, e.method);
        Put16(zip, e.dosTime);
        Put16(zip, e.dosDate);
        Put32(zip, crcs[i]);
        Put32(zip, static_cast<uint32_t>(stored[i].size()));
        Put32(zip, static_cast<uint32_t>(e.data.size()));
        Put16(zip, static_cast<uint16_t>(e.name.size()));
        Put16(zip, static_cast<uint16_t>(e.centralExtra.size()));
        Put16(zip, 0);  // comment length
        Put16(zip, 0);  // disk number
        Put16(zip, 0);  // internal attributes
        Put32(zip, e.externalAttributes);
        Put32(zip, static_cast<uint32_t>(l.local[i]));
        zip += e.name;
        zip += e.centralExtra;
    }
    l.endRecord = zip.size();
    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<uint16_t>(entries.size()));
    Put16(zip, static_cast<uint16_t>(entries.size()));
    Put32(zip, static_cast<uint32_t>(l.endRecord - centralStart));
    Put32(zip, static_cast<uint32_t>(centralStart));
    Put16(zip, 0);
    if (layout) *layout = l;
    return zip;
}

// Field offsets inside the records, for tests that damage one field.
namespace field {
constexpr size_t kLocalFlags = 6;
constexpr size_t kLocalMethod = 8;
constexpr size_t kLocalCompressedSize = 18;
constexpr size_t kLocalUncompressedSize = 22;
constexpr size_t kLocalNameLength = 26;
constexpr size_t kLocalExtraLength = 28;
constexpr size_t kCentralFlags = 8;
constexpr size_t kCentralMethod = 10;
constexpr size_t kCentralCompressedSize = 20;
constexpr size_t kCentralUncompressedSize = 24;
constexpr size_t kCentralNameLength = 28;
constexpr size_t kCentralExtraLength = 30;
constexpr size_t kCentralCommentLength = 32;
constexpr size_t kCentralExternalAttributes = 38;
constexpr size_t kCentralLocalOffset = 42;
constexpr size_t kEndEntriesOnDisk = 8;
constexpr size_t kEndEntries = 10;
constexpr size_t kEndCentralSize = 12;
constexpr size_t kEndCentralOffset = 16;
}  // namespace field

}  // namespace ziptest
