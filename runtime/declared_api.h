// Operating-system functions the program declares by library and function name and
// binds on first call.
#pragma once

#include <cstdint>

namespace quill {

struct ProgramHeader;

// Sizes the table to the header's declared count and fills the names.
void InitialiseDeclaredApi(const ProgramHeader& header);
// Resolves entry `index` (cached after the first success); a missing library or export
// is a fatal runtime error naming them.
void* ResolveDeclared(uint32_t index);
// Releases every module loaded for declared functions and empties the table.
void FreeDeclaredModules();

}  // namespace quill
