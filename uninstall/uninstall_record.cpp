#include "uninstall/uninstall_record.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "archive/file_handle.h"
#include "runtime/gbk_text.h"

namespace quill {

namespace {

constexpr char kHeader[] = "Quill uninstall record 1";
constexpr char kProductKind[] = "product";
constexpr char kRootKind[] = "root";
constexpr char kFolderKind[] = "folder";
constexpr char kFileKind[] = "file";
constexpr size_t kMaxProductName = 64;
constexpr size_t kMaxPath = 259;
constexpr DWORD kMaxRecordSize = 4 * 1024 * 1024;

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; }

// Characters no Windows file name holds, besides the separators.
bool IsForbiddenInName(char c) {
    return Byte(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

// CON, PRN, AUX, NUL, COM1..9, LPT1..9 and the console names stay devices whatever
// extension follows them and however many blanks end the base name.
bool IsDeviceName(const std::string& component) {
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), AsciiLower);
    static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const char* device : kDevices) {
        if (base == device) return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool IsSafeComponent(const std::string& component) {
    if (component.empty() || component == "." || component == "..") return false;
    const char last = component.back();
    if (last == '.' || last == ' ') return false;
    return !IsDeviceName(component);
}

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

// A key that compares paths as the file system does for ASCII letters.
std::string FoldedKey(const std::string& path) {
    std::string key;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(Byte(path[i])) && i + 1 < path.size()) {
            key += path[i];
            key += path[++i];
        } else {
            key += AsciiLower(path[i]);
        }
    }
    return key;
}

}  // namespace

std::optional<std::string> SafePathInFolder(const std::string& folder, const std::string& relative) {
    if (folder.empty() || relative.empty() || relative.size() > kMaxPath) return std::nullopt;
    std::string component;
    for (size_t i = 0; i < relative.size(); ++i) {
        const char c = relative[i];
        if (IsLeadByte(Byte(c))) {
            // A lead byte needs its second byte; that byte may be 0x5C and is no separator.
            if (i + 1 >= relative.size() || relative[i + 1] == '\0') return std::nullopt;
            component += c;
            component += relative[++i];
            continue;
        }
        if (c == '/' || IsForbiddenInName(c)) return std::nullopt;
        if (c == '\\') {
            if (!IsSafeComponent(component)) return std::nullopt;
            component.clear();
            continue;
        }
        component += c;
    }
    if (!IsSafeComponent(component)) return std::nullopt;
    const bool slash = folder.back() == '\\' && !(folder.size() >= 2 && IsLeadByte(Byte(folder[folder.size() - 2])));
    return slash ? folder + relative : folder + "\\" + relative;
}

bool IsUsableProductName(const std::string& name) {
    if (name.empty() || name.size() > kMaxProductName) return false;
    for (char c : name) {
        if (c == '\\' || c == '/' || IsForbiddenInName(c)) return false;
    }
    return IsSafeComponent(name);
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
            if (seen.insert(FoldedKey(value)).second) (isFolder ? record.folders : record.files).push_back(value);
        } else {
            record.refused.push_back(lines[i]);
        }
    }
    return record;
}

std::optional<UninstallRecord> ReadUninstallRecord(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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

bool IsSameOrInsideFolder(const std::string& path, const std::string& folder) {
    std::string base = FoldedKey(folder);
    while (!base.empty() && base.back() == '\\' &&
           !(base.size() >= 2 && IsLeadByte(Byte(base[base.size() - 2])))) {
        base.pop_back();
    }
    const std::string key = FoldedKey(path);
    if (base.empty() || key.compare(0, base.size(), base) != 0) return false;
    // The folded keys keep double-byte pairs whole, so a match of the whole base ends on a
    // character boundary of the path as well.
    return key.size() == base.size() || key[base.size()] == '\\';
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
