#include "platform/tool_output.h"

void WriteToolText(std::FILE* stream, const std::string& text) { std::fputs(text.c_str(), stream); }
