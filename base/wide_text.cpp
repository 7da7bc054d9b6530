#include "base/wide_text.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "base/text.h"

namespace quill {

namespace {

struct FourByteRange {
    uint32_t index;
    uint16_t codePoint;
};
struct TwoByteRun {
    uint16_t index;
    uint16_t codePoint;
    uint16_t length;
};
#include "base/gb18030_tables.inc"

constexpr UINT kCodePage = 936;
constexpr wchar_t kReplacement = 0xFFFD;
// The first four-byte index beyond the Basic Multilingual Plane (bytes 90 30 81 30).
constexpr uint32_t kSupplementaryBase = 189000;

bool IsDigit(unsigned char c) { return c >= 0x30 && c <= 0x39; }
bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

unsigned char Byte(std::string_view text, size_t i) { return static_cast<unsigned char>(text[i]); }

uint32_t TwoByteIndex(unsigned char lead, unsigned char trail) {
    return (lead - 0x81u) * 190u + (trail < 0x7F ? trail - 0x40u : trail - 0x41u);
}

// The code point GB18030 gives a two-byte code where code page 936 does not agree, or 0.
wchar_t TwoByteException(uint32_t index) {
    const TwoByteRun* end = std::end(kTwoByteRuns);
    const TwoByteRun* run = std::upper_bound(std::begin(kTwoByteRuns), end, index,
                                             [](uint32_t i, const TwoByteRun& r) { return i < r.index; });
    if (run == std::begin(kTwoByteRuns)) return 0;
    --run;
    return index < run->index + run->length ? static_cast<wchar_t>(run->codePoint + (index - run->index)) : 0;
}

// The two-byte code the table gives `c`, or 0.
uint32_t TwoByteExceptionCode(wchar_t c) {
    for (const TwoByteRun& run : kTwoByteRuns) {
        if (c >= run.codePoint && c < run.codePoint + run.length) {
            const uint32_t index = run.index + (c - run.codePoint);
            const uint32_t lead = 0x81 + index / 190, t = index % 190;
            return (lead << 8) | (t < 0x3F ? t + 0x40 : t + 0x41);
        }
    }
    return 0;
}

void AppendCodePoint(uint32_t cp, std::wstring* out) {
    if (cp < 0x10000) {
        out->push_back(static_cast<wchar_t>(cp));
    } else {
        cp -= 0x10000;
        out->push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out->push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// The code point of four-byte index `index`, or 0 when none has it.
uint32_t FourByteCodePoint(uint32_t index) {
    if (index < kBmpFourByteCount) {
        const FourByteRange* range =
            std::upper_bound(std::begin(kFourByteRanges), std::end(kFourByteRanges), index,
                             [](uint32_t i, const FourByteRange& r) { return i < r.index; }) - 1;
        return range->codePoint + (index - range->index);
    }
    if (index >= kSupplementaryBase && index - kSupplementaryBase < 0x100000) return 0x10000 + (index - kSupplementaryBase);
    return 0;
}

// The four-byte index of BMP character `c`, or -1 when GB18030 writes it in fewer bytes.
int32_t FourByteIndex(wchar_t c) {
    const FourByteRange* end = std::end(kFourByteRanges);
    const FourByteRange* range = std::upper_bound(std::begin(kFourByteRanges), end, static_cast<uint32_t>(c),
                                                  [](uint32_t v, const FourByteRange& r) { return v < r.codePoint; });
    if (range == std::begin(kFourByteRanges)) return -1;
    const uint32_t next = range == end ? kBmpFourByteCount : range->index;
    --range;
    const uint32_t index = range->index + (c - range->codePoint);
    return index < next ? static_cast<int32_t>(index) : -1;
}

void AppendFourBytes(uint32_t index, std::string* out) {
    char bytes[4];
    bytes[3] = static_cast<char>(0x30 + index % 10);
    index /= 10;
    bytes[2] = static_cast<char>(0x81 + index % 126);
    index /= 126;
    bytes[1] = static_cast<char>(0x30 + index % 10);
    bytes[0] = static_cast<char>(0x81 + index / 10);
    out->append(bytes, 4);
}

// Appends code page 936's reading of `run` (ASCII and two-byte codes the table leaves to it).
// False, with a replacement per failed character, when a code is not defined there.
bool AppendCodePageRun(std::string_view run, std::wstring* out) {
    if (run.empty()) return true;
    const int n = static_cast<int>(run.size());
    const size_t at = out->size();
    out->resize(at + run.size());
    const int got = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), n, &(*out)[at], n);
    if (got > 0) {
        out->resize(at + static_cast<size_t>(got));
        return true;
    }
    out->resize(at);
    bool ok = true;
    for (size_t i = 0; i < run.size();) {
        const size_t size = IsLeadByte(Byte(run, i)) ? 2 : 1;
        wchar_t c = 0;
        if (MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data() + i, static_cast<int>(size), &c, 1) != 1) {
            c = kReplacement;
            ok = false;
        }
        out->push_back(c);
        i += size;
    }
    return ok;
}

// Reads `text` into `out`; false when something had to be replaced.
bool Decode(std::string_view text, std::wstring* out) {
    out->reserve(out->size() + text.size());
    bool ok = true;
    size_t runStart = 0;  // start of the pending stretch that code page 936 reads
    const size_t n = text.size();
    size_t i = 0;
    auto flush = [&](size_t end) {
        ok = AppendCodePageRun(text.substr(runStart, end - runStart), out) && ok;
    };
    while (i < n) {
        const unsigned char b = Byte(text, i);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (IsLead(b) && i + 3 < n && IsDigit(Byte(text, i + 1)) && IsLead(Byte(text, i + 2)) && IsDigit(Byte(text, i + 3))) {
            flush(i);
            const uint32_t index = (((b - 0x81u) * 10 + (Byte(text, i + 1) - 0x30u)) * 126 + (Byte(text, i + 2) - 0x81u)) * 10 +
                                   (Byte(text, i + 3) - 0x30u);
            const uint32_t cp = FourByteCodePoint(index);
            if (cp) {
                AppendCodePoint(cp, out);
            } else {
                // Two units the helpers step over, so two replacements.
                out->append(2, kReplacement);
                ok = false;
            }
            i += 4;
            runStart = i;
            continue;
        }
        if (IsLead(b) && i + 1 < n && IsTrail(Byte(text, i + 1))) {
            if (const wchar_t c = TwoByteException(TwoByteIndex(b, Byte(text, i + 1)))) {
                flush(i);
                out->push_back(c);
                runStart = i + 2;
            }
            i += 2;
            continue;
        }
        flush(i);
        out->push_back(kReplacement);
        ok = false;
        i += (i + 1 < n) ? 2 : 1;  // a lead byte takes the byte after it, as the text helpers step
        runStart = i;
    }
    flush(n);
    return ok;
}

// Appends the internal form of one character (a surrogate pair counts as one); false for a
// surrogate without its pair, written as '?'.
bool EncodeOne(const wchar_t* w, size_t n, size_t* i, std::string* out) {
    const wchar_t c = w[*i];
    ++*i;
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
        return true;
    }
    if (IsHighSurrogate(c) && *i < n && IsLowSurrogate(w[*i])) {
        const uint32_t cp = 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (w[*i] - 0xDC00);
        ++*i;
        AppendFourBytes(kSupplementaryBase + (cp - 0x10000), out);
        return true;
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
        out->push_back('?');
        return false;
    }
    if (const uint32_t code = TwoByteExceptionCode(c)) {
        out->push_back(static_cast<char>(code >> 8));
        out->push_back(static_cast<char>(code & 0xFF));
        return true;
    }
    char bytes[4];
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof bytes, nullptr, &usedDefault) == 2 &&
        !usedDefault) {
        const unsigned char lead = static_cast<unsigned char>(bytes[0]), trail = static_cast<unsigned char>(bytes[1]);
        wchar_t back = 0;
        if (IsLead(lead) && IsTrail(trail) && TwoByteException(TwoByteIndex(lead, trail)) == 0 &&
            MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, 2, &back, 1) == 1 && back == c) {
            out->append(bytes, 2);
            return true;
        }
    }
    const int32_t index = FourByteIndex(c);
    if (index >= 0) {
        AppendFourBytes(static_cast<uint32_t>(index), out);
        return true;
    }
    out->push_back('?');
    return false;
}

bool Encode(std::wstring_view text, std::string* out) {
    const int n = static_cast<int>(text.size());
    if (n == 0) return true;
    // Most texts are code page 936 through and through: one call, checked by reading it back.
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), n, nullptr, 0, nullptr, &usedDefault);
    if (size > 0 && !usedDefault) {
        std::string bytes(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.data(), n, &bytes[0], size, nullptr, nullptr);
        std::wstring back;
        if (Decode(bytes, &back) && back == text) {
            out->append(bytes);
            return true;
        }
    }
    bool ok = true;
    for (size_t i = 0; i < text.size();) ok = EncodeOne(text.data(), text.size(), &i, out) && ok;
    return ok;
}

}  // namespace

std::wstring ToWide(std::string_view text) {
    std::wstring wide;
    Decode(text, &wide);
    return wide;
}

bool IsWellFormedText(std::string_view text) {
    std::wstring wide;
    return Decode(text, &wide);
}

std::string FromWide(std::wstring_view text) {
    std::string out;
    Encode(text, &out);
    return out;
}

std::optional<std::string> FromWideExact(std::wstring_view text) {
    std::string out;
    if (!Encode(text, &out)) return std::nullopt;
    return out;
}

std::optional<std::string> TextFromUtf8(std::string_view text) {
    if (text.empty()) return std::string();
    const int n = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), n, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), n, &wide[0], size);
    return FromWideExact(wide);
}

}  // namespace quill
