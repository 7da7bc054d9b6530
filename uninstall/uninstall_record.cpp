#include "uninstall/uninstall_record.h"

#include <windows.h>

#include <set>

#include "base/handles.h"
#include "base/file_system.h"
#include "base/text.h"
#include "base/safe_path.h"
#include "base/wide_text.h"

namespace quill {

namespace {

constexpr char kHeader[] = "Quill uninstall record 1";
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
    const std::vector<std::string> lines = Lines(text);
    if (lines.size() < 2 || lines[0] != kHeader) return std::nullopt;
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
        } else if ((kind == kFolderKind || kind == kFileKind) && SafePathInFolder(anyFolder, value)) {
            const bool isFolder = kind == kFolderKind;
            std::set<std::string>& seen = isFolder ? seenFolders : seenFiles;
            if (seen.insert(FoldAsciiCase(value)).second) (isFolder ? record.folders : record.files).push_back(value);
        } else {
            record.refused.push_back(lines[i]);
        }
    }
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
    return text;
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
