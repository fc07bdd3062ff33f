#pragma once

#include <array>
#include <string>

#include "tools/make/pe/pe_image.h"

/// The sixteen strings of one RT_STRING block (block id = entry / 16 + 1).
using StringBlock = std::array<std::u16string, 16>;

/// UTF-8 to UTF-16; a malformed sequence gives U+FFFD.
std::u16string WidenUtf8(const std::string& text);

/// Each string as its UTF-16 length followed by its characters.
std::string EncodeStringBlock(const StringBlock& block);

/// False when the block is truncated.
bool DecodeStringBlock(const std::string& bytes, StringBlock* block);

/// Sets entry `entry` of the string table in `tree`. The block keeps the languages
/// it has (every one of them changes); a new block is language neutral. False when
/// an existing block is damaged.
bool SetStringEntry(ResourceTree* tree, unsigned entry, const std::u16string& text);
