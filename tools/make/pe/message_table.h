#pragma once

#include <string>

#include "tools/make/pe/pe_image.h"

/// Event ids the launcher logs under: information and error, each with one
/// insertion string.
constexpr std::uint32_t EventInformationId = 0x40000001u;
constexpr std::uint32_t EventErrorId = 0xC0000002u;
constexpr std::uint16_t MessageTableLanguage = 1033;

/// The message-table resource: two blocks of one ANSI entry each, "%1\r\n" for both
/// event ids.
std::string BuildEventMessageTable();

/// Puts the message table (id 1, language 1033) into `tree`, replacing any other.
void SetEventMessageTable(ResourceTree* tree);
