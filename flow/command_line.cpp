#include "flow/command_line.h"

#include "base/safe_path.h"
#include "base/text.h"
#include "flow/absolute_path.h"

namespace quill {

namespace {

// Room left below the folder for the product's own names.
constexpr size_t kLongestFolder = 180;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Skips the program's own name, quoted or not.
size_t AfterProgramName(const std::string& line) {
    size_t i = 0;
    if (i < line.size() && line[i] == '"') {
        const size_t close = line.find('"', 1);
        return close == std::string::npos ? line.size() : close + 1;
    }
    while (i < line.size() && !IsBlank(line[i])) ++i;
    return i;
}

// Drops separators at the end (not the one of a drive root); a trail byte of 0x5C is part of
// its character, not a separator.
std::string WithoutTrailingSeparators(const std::string& path) {
    size_t keep = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const bool separator = IsPathSeparator(path[i]);
        if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) ++i;
        if (!separator || i < 3) keep = i + 1;
    }
    return path.substr(0, keep);
}

}  // namespace

bool IsUsableInstallFolder(const std::string& folder) {
    if (!IsAbsolutePath(folder) || folder.size() > kLongestFolder) return false;
    // Past the drive ("X:") or the two backslashes of a network path.
    const size_t start = folder[1] == ':' ? 3 : 2;
    std::string name;
    for (size_t i = start; i <= folder.size(); ++i) {
        const unsigned char c = i < folder.size() ? static_cast<unsigned char>(folder[i]) : '\\';
        if (IsLeadByte(c) && i + 1 < folder.size()) {
            // A double-byte character: its trail byte may be 0x5C or 0x7C and is no separator.
            name += folder.substr(i, 2);
            ++i;
            continue;
        }
        if (c == '\\' || c == '/') {
            if (!IsUsableNamePart(name)) return false;
            name.clear();
            continue;
        }
        name += static_cast<char>(c);
    }
    return true;
}

CommandLine ParseCommandLine(const std::string& commandLine) {
    CommandLine result;
    bool usage = false;
    bool bad = false;
    size_t i = AfterProgramName(commandLine);
    for (;;) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
        if (i >= commandLine.size()) break;
        // A launcher that quotes every argument with a space ("/D=C:\My Apps") is taken at
        // its word too.
        const bool quoted = commandLine[i] == '"';
        if (Upper(commandLine.substr(quoted ? i + 1 : i, 3)) == "/D=") {
            // The rest of the line, spaces included, is the folder.
            std::string folder = commandLine.substr(quoted ? i + 4 : i + 3);
            while (!folder.empty() && IsBlank(folder.back())) folder.pop_back();
            if (quoted && !folder.empty() && folder.back() == '"') folder.pop_back();
            folder = WithoutTrailingSeparators(folder);
            if (!IsUsableInstallFolder(folder)) bad = true;
            result.folder = folder;
            break;
        }
        size_t end = i;
        while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
        const std::string word = Upper(commandLine.substr(i, end - i));
        if (word == "/S") {
            result.silent = true;
        } else if (word == "/?") {
            usage = true;
        } else {
            bad = true;
        }
        i = end;
    }
    if (bad) {
        result.mode = RunMode::kBad;
    } else if (usage) {
        result.mode = RunMode::kUsage;
    } else if (result.silent) {
        result.mode = RunMode::kSilent;
    }
    return result;
}

}  // namespace quill
