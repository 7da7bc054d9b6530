#include "base/text.h"

namespace quill {

bool EndsWithBackslash(const std::string& text) {
    const char* last = nullptr;
    for (const char* p = text.c_str(); *p; p = NextChar(p)) last = p;
    return last != nullptr && *last == '\\';
}

std::string WithTrailingBackslash(const std::string& text) {
    return EndsWithBackslash(text) ? text : text + '\\';
}

size_t FindLastSeparator(const std::string& text) {
    size_t found = std::string::npos;
    const char* begin = text.c_str();
    for (const char* p = begin; *p; p = NextChar(p)) {
        if (IsPathSeparator(*p)) found = static_cast<size_t>(p - begin);
    }
    return found;
}

std::string ParentFolder(const std::string& path) {
    const size_t cut = FindLastSeparator(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string LastPathPart(const std::string& path) {
    const size_t cut = FindLastSeparator(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FoldAsciiCase(const std::string& text) {
    std::string folded = text;
    char* begin = &folded[0];
    for (char* p = begin; *p; p = const_cast<char*>(NextChar(p))) {
        if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
    }
    return folded;
}

std::string FillIn(const char* text, std::initializer_list<std::string> values) {
    std::string out;
    auto next = values.begin();
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && p[1] == 's' && next != values.end()) {
            out += *next++;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace quill
