#pragma once

#include <string>
#include <vector>

#include "tools/make/pe/icon.h"

/// The largest picture of an icon file as a PNG file: a PNG image as it is, a DIB of 1,
/// 4, 8, 24 or 32 bits per pixel as 8-bit RGBA (its AND mask, or its alpha channel at
/// 32 bits, making the transparency). False with `error` saying what the icon holds
/// instead.
bool IconToPng(const std::vector<IconImage>& images, std::string* png, std::string* error);

/// The width and height that a PNG file's header gives; false when `png` is not a PNG.
bool ReadPngSize(const std::string& png, unsigned* width, unsigned* height);
