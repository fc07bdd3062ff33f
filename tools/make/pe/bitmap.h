#pragma once

#include <string>

#include "tools/make/pe/pe_image.h"

/// Resource id of the splash picture.
constexpr std::uint32_t SplashBitmapId = 8000;

/// Checks a .bmp file for a device-independent bitmap that Windows loads from a
/// resource (40-byte BITMAPINFOHEADER, one plane, 1/4/8/16/24/32 bits per pixel,
/// BI_RGB, BI_BITFIELDS at 16 or 32 bits, or bottom-up BI_RLE8 at 8 and BI_RLE4 at 4
/// bits whose runs stay inside the data and the picture; colour table and pixels
/// inside the file) and gives the RT_BITMAP resource: the header, masks, colour table
/// and pixels without the file header. False with `error` set otherwise.
bool BitmapResourceFromFile(const std::string& file, std::string* resource, std::string* error);

/// Puts the bitmap resource in `tree` as SplashBitmapId, replacing any other.
void SetSplashBitmap(ResourceTree* tree, const std::string& resource);
