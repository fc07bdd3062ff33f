#include "hosting/text_buffer.h"

#include <cstring>
#include <utility>

namespace {

constexpr std::size_t MinimumGrowth = 1024;

std::size_t GrowthFor(std::size_t length) {
  return 4 * length > MinimumGrowth ? 4 * length : MinimumGrowth;
}

}  // namespace

void AppendText(TextBuffer& buffer, const char* text, std::size_t length) {
  if (text == nullptr || length == 0) return;
  if (!buffer.Text) {
    buffer.Capacity = GrowthFor(length);
    buffer.Text.reset(new char[buffer.Capacity]());
    buffer.Length = 0;
  } else if (buffer.Length + length > buffer.Capacity - 1) {
    // One growth step always suffices: the old array already held a terminator and
    // the step is at least `length` bytes. Growing by the array's own size as well
    // keeps a class path of thousands of archives from being copied thousands of
    // times.
    const std::size_t step = GrowthFor(length);
    const std::size_t capacity = buffer.Capacity + (step > buffer.Capacity ? step : buffer.Capacity);
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), buffer.Text.get(), buffer.Length);
    buffer.Text = std::move(grown);
    buffer.Capacity = capacity;
  }
  std::memcpy(buffer.Text.get() + buffer.Length, text, length);
  buffer.Length += length;
  buffer.Text[buffer.Length] = '\0';
}

void AppendText(TextBuffer& buffer, const char* text) {
  if (text == nullptr) return;
  AppendText(buffer, text, std::strlen(text));
}

void AppendText(TextBuffer& buffer, char character) { AppendText(buffer, &character, 1); }
