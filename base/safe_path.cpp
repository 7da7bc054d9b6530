#include "base/safe_path.h"

#include <windows.h>

#include <cstring>

#include "base/file_system.h"
#include "base/text.h"
#include "base/wide_text.h"

namespace quill {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Names the file system takes for devices, whatever extension follows: the serial and
// parallel ports also with a superscript digit (¹ ² ³, four bytes each in GB18030).
bool IsDeviceName(const char* part, size_t length) {
    size_t stem = 0;
    while (stem < length && part[stem] != '.') ++stem;
    while (stem > 0 && part[stem - 1] == ' ') --stem;
    char upper[8] = {};
    if (stem < 3 || stem > 7) return false;
    for (size_t i = 0; i < stem; ++i) upper[i] = Upper(part[i]);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (std::strcmp(upper, device) == 0) return true;
    if (std::strncmp(upper, "COM", 3) != 0 && std::strncmp(upper, "LPT", 3) != 0) return false;
    if (stem == 4) return upper[3] >= '1' && upper[3] <= '9';
    static const char* const kSuperscriptDigits[] = {"\x81\x30\x86\x31", "\x81\x30\x85\x35", "\x81\x30\x85\x36"};
    for (const char* digit : kSuperscriptDigits)
        if (std::strcmp(upper + 3, digit) == 0) return true;
    return false;
}

bool IsAcceptablePart(const char* part, size_t length) {
    if (length == 0) return true;  // "a//b" and a trailing separator
    if (length == 1 && part[0] == '.') return true;
    bool onlyDotsAndSpaces = true;
    for (size_t i = 0; i < length; ++i) onlyDotsAndSpaces = onlyDotsAndSpaces && (part[i] == '.' || part[i] == ' ');
    if (onlyDotsAndSpaces) return false;
    if (part[length - 1] == '.' || part[length - 1] == ' ') return false;
    return !IsDeviceName(part, length);
}

bool IsForbiddenCharacter(unsigned char c) { return c < 0x20 || std::strchr("<>:\"|?*", c) != nullptr; }

// The checks that need only the name's own text.
bool IsAcceptableName(const std::string& name) {
    if (name.empty() || IsPathSeparator(name[0])) return false;
    // The code page must read the text as it stands; a broken double-byte pair would
    // reach the file system as something else.
    if (!IsWellFormedText(name)) return false;
    const char* begin = name.c_str();
    const char* partStart = begin;
    for (const char* p = begin;; p = NextChar(p)) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0 || IsPathSeparator(*p)) {
            if (!IsAcceptablePart(partStart, static_cast<size_t>(p - partStart))) return false;
            if (c == 0) break;
            partStart = p + 1;
            continue;
        }
        if (IsLeadByte(c)) {
            // A lead byte must have a trail byte of its own, never '/' or the end. (A trail
            // byte of 0x5C is one: the pair is a character, as the file system reads it.)
            if (p[1] == 0 || p[1] == '/') return false;
            continue;
        }
        if (IsForbiddenCharacter(c)) return false;
    }
    return true;
}

}  // namespace

bool IsUsableNamePart(const std::string& part) {
    if (part.empty() || part == ".") return false;
    for (const char* p = part.c_str(); *p; p = NextChar(p)) {
        if (IsPathSeparator(*p) || IsForbiddenCharacter(static_cast<unsigned char>(*p))) return false;
    }
    return IsAcceptablePart(part.c_str(), part.size());
}

bool IsPathInsideFolder(const std::string& path, const std::string& folder) {
    const std::string fullFolder = FullPath(folder);
    const std::string fullPath = FullPath(path);
    if (fullFolder.empty() || fullPath.empty()) return false;
    // Compared as the file system compares names; the folded texts keep double-byte
    // characters whole, so a match of the whole base ends on a character boundary.
    const std::string base = FoldAsciiCase(WithTrailingBackslash(fullFolder));
    const std::string key = FoldAsciiCase(fullPath);
    // The folder itself (a folder entry such as "./") counts as inside.
    if (WithTrailingBackslash(key) == base) return true;
    return key.size() > base.size() && key.compare(0, base.size(), base) == 0;
}

std::optional<std::string> SafePathInFolder(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.size() > kMaxNameBytes || !IsAcceptableName(name)) return std::nullopt;
    // Separators are turned character by character, so a trail byte of 0x5C stays a trail
    // byte and a '/' is never taken into a double-byte character.
    std::string path = WithTrailingBackslash(folder);
    for (const char* p = name.c_str(); *p;) {
        const char* next = NextChar(p);
        if (*p == '/')
            path += '\\';
        else
            path.append(p, static_cast<size_t>(next - p));
        p = next;
    }
    if (ToWide(path).size() >= MAX_PATH) return std::nullopt;
    if (!IsPathInsideFolder(path, folder)) return std::nullopt;
    return path;
}

}  // namespace quill
