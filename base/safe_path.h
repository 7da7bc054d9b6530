// The one rule for turning a folder and a relative name taken from outside (an archive
// entry, an uninstall record) into a path that stays inside that folder.
#pragma once

#include <optional>
#include <string>

namespace quill {

// The longest name the rule takes, in bytes: what an archive's entry record holds.
constexpr size_t kMaxNameBytes = 259;

// The path `name` names inside `folder`, or nothing when the name must be refused.
//
// `name` is a text of the system (base/text.h) with '/' or '\' between its parts ("sub/", "数据/a.txt").
// The result is `folder`, one backslash, then `name` with every '/' turned into '\'; a
// trailing separator is kept. Refused are: the empty name; a name starting with a
// separator; ':' anywhere (drives, streams); a ".." part; a part made of dots and spaces
// only, other than "."; a part ending in a dot or space (the file system would drop
// them); device names (CON, NUL, CONIN$, CLOCK$, COM1, LPT1, COM¹, ... in any case, with
// or without an extension, blanks before it) as any part; control characters and
// < > " | ? *; text that is not well-formed (base/wide_text.h), and a lead byte followed
// by '/', which would swallow it; a name of more than kMaxNameBytes bytes; a result of
// MAX_PATH characters or more; and, as a second layer, any result that the file system
// would not resolve to a place inside `folder` (IsPathInsideFolder).
std::optional<std::string> SafePathInFolder(const std::string& folder, const std::string& name);

// True when `part`, one name between separators of a path a user typed, is a name the file
// system takes as it stands: not empty, "." or "..", no separator, control character or
// < > : " | ? *, not ending in a dot or blank (both would be dropped), no device name.
// The same rule the archive's names go through, part by part.
bool IsUsableNamePart(const std::string& part);

// True when `path`, resolved as the file system will resolve it ("." and ".." folded,
// devices named, letters of either case alike), is `folder` itself or lies below it.
bool IsPathInsideFolder(const std::string& path, const std::string& folder);

}  // namespace quill
