#pragma once

#include <cstddef>
#include <string>

/// Decodes the raw deflate stream (RFC 1951) `data` into `out`, at most `limit` bytes.
/// False when the stream is damaged, ends early or would pass `limit`.
bool Inflate(const std::string& data, std::size_t limit, std::string* out);
