// Text commands over GBK texts. Every scan moves by whole characters (two bytes after
// a lead byte) so that the trailing byte of a character, which may be 0x5C or a letter,
// is never taken for a character of its own. LeftText is the exception: it counts bytes.
#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/commands.h"
#include "runtime/frame.h"
#include "base/text.h"

namespace quill {

namespace {

unsigned char ByteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c; }

bool MatchesAt(std::string_view text, size_t pos, std::string_view needle, bool ignoreCase) {
    for (size_t k = 0; k < needle.size(); ++k) {
        unsigned char a = ByteAt(text, pos + k);
        unsigned char b = ByteAt(needle, k);
        if (ignoreCase ? AsciiLower(a) != AsciiLower(b) : a != b) return false;
    }
    return true;
}

// Length of the blank at `pos` (ASCII space or the full-width space A1 A1), 0 if none.
size_t BlankAt(std::string_view s, size_t pos) {
    if (ByteAt(s, pos) == 0x20) return 1;
    if (ByteAt(s, pos) == 0xA1 && pos + 1 < s.size() && ByteAt(s, pos + 1) == 0xA1) return 2;
    return 0;
}

}  // namespace

int32_t TextLength(const std::string& text) { return static_cast<int32_t>(TextView(text).size()); }

std::string LeftText(const std::string& text, int32_t n) {
    std::string_view s = TextView(text);
    if (n <= 0) return {};
    return std::string(s.substr(0, static_cast<size_t>(n)));
}

int32_t FindText(const std::string& text, const std::string& needle, std::optional<int32_t> start,
                 std::optional<int32_t> ignoreCase) {
    std::string_view s = TextView(text);
    std::string_view n = TextView(needle);
    size_t pos = 0;
    if (start && *start > 1) pos = static_cast<size_t>(*start) - 1;
    if (pos >= s.size()) return -1;  // the searched region is empty
    if (n.empty()) return 1;
    // Only the value 1 asks for a case-blind search; any other true value does not.
    const bool blind = ignoreCase && *ignoreCase == 1;
    while (s.size() - pos >= n.size()) {
        if (MatchesAt(s, pos, n, blind)) return static_cast<int32_t>(pos + 1);
        if (IsLeadByte(ByteAt(s, pos))) {
            if (pos + 1 >= s.size()) break;  // a lead byte with nothing after it
            pos += 2;
        } else {
            pos += 1;
        }
    }
    return -1;
}

std::string ToLower(const std::string& text) {
    std::string out(TextView(text));
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(c)) {
            if (i + 1 >= out.size()) break;
            ++i;  // the trailing byte stays as it is, even when it looks like a capital
        } else {
            out[i] = static_cast<char>(AsciiLower(c));
        }
    }
    return out;
}

std::string TrimBlanks(const std::string& text) {
    std::string_view s = TextView(text);
    size_t begin = 0;
    while (begin < s.size()) {
        size_t b = BlankAt(s, begin);
        if (b == 0) break;
        begin += b;
    }
    size_t end = s.size();
    size_t runStart = std::string_view::npos;  // where the current run of blanks began
    size_t pos = begin;
    while (pos < s.size()) {
        if (size_t b = BlankAt(s, pos)) {
            if (runStart == std::string_view::npos) runStart = pos;
            pos += b;
            continue;
        }
        if (IsLeadByte(ByteAt(s, pos)) && pos + 1 >= s.size()) {
            // A dangling lead byte is dropped; the blanks before it are inner blanks now.
            end = pos;
            runStart = std::string_view::npos;
            break;
        }
        runStart = std::string_view::npos;
        pos += IsLeadByte(ByteAt(s, pos)) ? 2 : 1;
    }
    if (runStart != std::string_view::npos) end = runStart;
    return std::string(s.substr(begin, end - begin));
}

std::vector<std::string> SplitText(const std::string& text, std::optional<std::string> delimiter,
                                   std::optional<int32_t> maxCount) {
    std::vector<std::string> pieces;
    std::string_view s = TextView(text);
    const std::string delimText = delimiter ? *delimiter : std::string(",");
    std::string_view d = TextView(delimText);
    // Omitted means no limit; a negative limit is a limit of nothing.
    size_t limit = static_cast<size_t>(-1);
    if (maxCount) limit = *maxCount < 0 ? 0 : static_cast<size_t>(*maxCount);
    if (s.empty() || limit == 0) return pieces;
    if (d.empty()) {
        pieces.emplace_back(s);
        return pieces;
    }
    size_t cut = 0;
    size_t pos = 0;
    while (pos < s.size()) {
        if (s.size() - pos >= d.size() && MatchesAt(s, pos, d, false)) {
            pieces.emplace_back(s.substr(cut, pos - cut));
            cut = pos = pos + d.size();
            if (pieces.size() >= limit) return pieces;
            continue;
        }
        if (IsLeadByte(ByteAt(s, pos))) {
            if (pos + 1 >= s.size()) break;
            pos += 2;
        } else {
            pos += 1;
        }
    }
    // A text ending in the delimiter leaves nothing here, so it gets no empty last piece.
    if (cut < s.size()) pieces.emplace_back(s.substr(cut));
    return pieces;
}

std::string BlankText(int32_t n) {
    if (n < 1) return {};
    try {
        return std::string(static_cast<size_t>(n), ' ');
    } catch (const std::bad_alloc&) {
        // Out of memory is the runtime's fatal allocation error, as for any block it hands out.
        char message[64];
        std::snprintf(message, sizeof message, "分配 %d 字节内存失败!", n + 1);
        RaiseRuntimeError(message, 0);
    }
}

}  // namespace quill
