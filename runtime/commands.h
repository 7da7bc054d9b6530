// The runtime commands the installer's code calls. Texts are GBK byte strings; an
// omitted optional argument (std::nullopt) is distinct from 0 or "".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "runtime/byte_set.h"

namespace quill {

int32_t BitOr(std::initializer_list<int32_t> values);
bool RunProgram(const std::string& commandLine, bool wait, std::optional<int32_t> showMode = std::nullopt);
// Fatal runtime error when the window or unit is not loaded.
intptr_t GetWindowHandle(uint32_t windowId, uint32_t unitId);
int32_t TextLength(const std::string& text);
std::string LeftText(const std::string& text, int32_t n);
int32_t FindText(const std::string& text, const std::string& needle,
                 std::optional<int32_t> start = std::nullopt, std::optional<int32_t> ignoreCase = std::nullopt);
std::string ToLower(const std::string& text);
std::string TrimBlanks(const std::string& text);
std::vector<std::string> SplitText(const std::string& text, std::optional<std::string> delimiter = std::nullopt,
                                   std::optional<int32_t> maxCount = std::nullopt);
std::string BlankText(int32_t n);
// ToText of a byte array: the bytes up to the first zero byte.
std::string ToText(const std::vector<uint8_t>& bytes);
std::string ToText(const uint8_t* bytes, size_t count);
std::string ToText(int32_t value);
std::string ToText(int64_t value);
std::string ToText(uint8_t value);
std::string ToText(int16_t value);
std::string ToTextLogical(bool value);
bool RemoveFile(const std::string& fileName);
bool WriteBytesToFile(const std::string& fileName, std::initializer_list<ByteSetView> sets);
// Content of a basic type is converted as ToText does; a text is used as it is.
int32_t ShowMessage(const std::string& content, int32_t style, std::optional<std::string> caption = std::nullopt);

}  // namespace quill
