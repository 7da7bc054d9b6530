#include "uninstall/uninstall_record.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "base/handles.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/safe_path.h"
#include "base/wide_text.h"

namespace quill {

namespace {

constexpr char kHeader[] = "Quill uninstall record 2";
constexpr char kFirstHeader[] = "Quill uninstall record 1";
constexpr char kCheckKind[] = "check";
constexpr char kProductKind[] = "product";
constexpr char kRootKind[] = "root";
constexpr char kFolderKind[] = "folder";
constexpr char kFileKind[] = "file";
constexpr size_t kMaxProductName = 64;
constexpr DWORD kMaxRecordSize = 4 * 1024 * 1024;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Splits a line at its first tab: kind and value (the value is empty without a tab).
void SplitLine(const std::string& line, std::string* kind, std::string* value) {
    const size_t tab = line.find('\t');
    *kind = line.substr(0, tab);
    *value = tab == std::string::npos ? std::string() : line.substr(tab + 1);
}

uint32_t Crc32(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= Byte(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string CheckLine(const std::string& sealed) {
    char line[64];
    std::snprintf(line, sizeof line, "%s\t%lu\t%08lx\r\n", kCheckKind, static_cast<unsigned long>(sealed.size()),
                  static_cast<unsigned long>(Crc32(sealed)));
    return line;
}

// The text before the check line when the check holds; nothing otherwise. The check line
// must be the last and end in CR LF, so that nothing can follow it.
std::optional<std::string> Unsealed(const std::string& text) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return std::nullopt;
    const size_t lastLine = text.rfind('\n', text.size() - 3);
    if (lastLine == std::string::npos) return std::nullopt;
    const std::string sealed = text.substr(0, lastLine + 1);
    if (text.compare(lastLine + 1, std::string::npos, CheckLine(sealed)) != 0) return std::nullopt;
    return sealed;
}

// A write cut off by a kill leaves its new file beside the record; the next write clears it,
// so the install folder holds nothing extra. A link there is removed as a link.
void RemoveLeftNewRecords(const std::string& path) {
    WIN32_FIND_DATAW found{};
    FindHandle find(FindFirstFileW(ToWide(path + ".*.new").c_str(), &found));
    if (!find.valid()) return;
    const std::string folder = ParentFolder(path);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW(ToWide(folder + "\\" + FromWide(found.cFileName)).c_str());
    } while (FindNextFileW(find.get(), &found));
}

bool NamesUninstallerFile(const std::string& relative) {
    const std::string folded = FoldAsciiCase(relative);
    return folded == FoldAsciiCase(kUninstallerFileName) || folded == FoldAsciiCase(kUninstallRecordFileName);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}


}  // namespace

bool IsUsableProductName(const std::string& name) {
    if (name.empty() || name.size() > kMaxProductName) return false;
    if (name.find_first_of("\\/") != std::string::npos || name == ".") return false;
    // A name the path rule accepts as one part is one a file and a registry key can carry.
    return SafePathInFolder("C:\\x", name).has_value();
}

std::optional<UninstallRecord> ParseUninstallRecord(const std::string& text) {
    // Without a check, a record cut at the end of a line would look whole; the first format is
    // read only when its last line is complete, and not at all with any line out of place.
    const bool firstFormat = text.compare(0, sizeof kFirstHeader - 1, kFirstHeader) == 0;
    std::optional<std::string> body;
    if (firstFormat) {
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) body = text;
    } else {
        body = Unsealed(text);
    }
    if (!body) return std::nullopt;
    const std::vector<std::string> lines = Lines(*body);
    if (lines.size() < 2 || lines[0] != (firstFormat ? kFirstHeader : kHeader)) return std::nullopt;
    std::string kind, value;
    SplitLine(lines[1], &kind, &value);
    if (kind != kProductKind || !IsUsableProductName(value)) return std::nullopt;

    UninstallRecord record;
    record.product = value;
    std::set<std::string> seenFolders, seenFiles;
    // Any folder serves for the check: only the relative part is looked at.
    const std::string anyFolder = "C:\\x";
    for (size_t i = 2; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        SplitLine(lines[i], &kind, &value);
        if (kind == kRootKind && value.empty()) {
            record.rootCreated = true;
        } else if ((kind == kFolderKind || kind == kFileKind) && SafePathInFolder(anyFolder, value) &&
                   !NamesUninstallerFile(value)) {
            const bool isFolder = kind == kFolderKind;
            std::set<std::string>& seen = isFolder ? seenFolders : seenFiles;
            if (seen.insert(FoldAsciiCase(value)).second) (isFolder ? record.folders : record.files).push_back(value);
        } else {
            record.refused.push_back(lines[i]);
        }
    }
    if (firstFormat && !record.refused.empty()) return std::nullopt;
    return record;
}

std::optional<UninstallRecord> ReadUninstallRecord(const std::string& path) {
    FileHandle file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxRecordSize) return std::nullopt;
    std::string text(size, '\0');
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.get(), &text[0], size, &read, nullptr) || read != size)) return std::nullopt;
    return ParseUninstallRecord(text);
}

std::string FormatUninstallRecord(const UninstallRecord& record) {
    std::string text = std::string(kHeader) + "\r\n" + kProductKind + "\t" + record.product + "\r\n";
    if (record.rootCreated) text += std::string(kRootKind) + "\r\n";
    for (const std::string& folder : record.folders) text += std::string(kFolderKind) + "\t" + folder + "\r\n";
    for (const std::string& file : record.files) text += std::string(kFileKind) + "\t" + file + "\r\n";
    return text + CheckLine(text);
}

bool WriteUninstallRecordFile(const std::string& path, const UninstallRecord& record) {
    return WriteUninstallRecordFile(path, record, nullptr);
}

bool WriteUninstallRecordFile(const std::string& path, const UninstallRecord& record, RecordWriteStop stop) {
    auto stopped = [stop](RecordWriteStep step) { return stop && stop(step); };
    const std::string text = FormatUninstallRecord(record);
    RemoveLeftNewRecords(path);
    const std::string random = RandomHexText(8);
    if (random.empty()) return false;
    const std::string fresh = path + "." + random + ".new";
    const std::wstring wideFresh = ToWide(fresh);
    // CREATE_NEW fails on anything already at the name, a link included; nothing is shared
    // until the file is complete and in place.
    FileHandle file(CreateFileW(wideFresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    if (stopped(RecordWriteStep::kCreated)) return false;
    auto write = [&file](const char* bytes, size_t size) {
        DWORD written = 0;
        if (size == 0) return true;
        if (!WriteFile(file.get(), bytes, static_cast<DWORD>(size), &written, nullptr)) return false;
        // A write that succeeds short is a full volume.
        if (written != size) SetLastError(ERROR_DISK_FULL);
        return written == size;
    };
    const size_t half = text.size() / 2;
    bool ok = write(text.data(), half);
    if (ok && stopped(RecordWriteStep::kHalfWritten)) return false;
    ok = ok && write(text.data() + half, text.size() - half) && FlushFileBuffers(file.get());
    if (ok && stopped(RecordWriteStep::kWritten)) return false;
    ok = file.Close() && ok;
    if (ok && stopped(RecordWriteStep::kMoving)) return false;
    if (ok && MoveFileExW(wideFresh.c_str(), ToWide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(wideFresh.c_str());
    return false;
}

int PathDepth(const std::string& relative) {
    int depth = 1;
    for (size_t i = 0; i < relative.size(); ++i) {
        if (IsLeadByte(Byte(relative[i]))) {
            ++i;
        } else if (relative[i] == '\\') {
            ++depth;
        }
    }
    return depth;
}

}  // namespace quill
