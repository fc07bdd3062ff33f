#pragma once

#include <string>
#include <vector>

#include "tools/make/pe/pe_image.h"

/// One image of an icon file, as its directory entry describes it.
struct IconImage {
  unsigned Width = 0;   // 0 stands for 256
  unsigned Height = 0;  // 0 stands for 256
  unsigned ColourCount = 0;
  unsigned Planes = 0;
  unsigned BitCount = 0;
  std::string Bytes;  // a DIB (BITMAPINFOHEADER first) or a PNG
};

/// Reads a .ico file: its directory and every image. False with `error` set when the
/// file is not an icon or an image lies outside it.
bool ReadIconFile(const std::string& file, std::vector<IconImage>* images, std::string* error);

/// The RT_GROUP_ICON resource for `images`, whose RT_ICON ids start at `firstId`.
std::string EncodeIconGroup(const std::vector<IconImage>& images, unsigned firstId);

/// Replaces every icon of `tree` with `images`: RT_ICON 1..n and RT_GROUP_ICON 1, so
/// that the application icon is the first group (the one Explorer shows).
void SetApplicationIcon(ResourceTree* tree, const std::vector<IconImage>& images);
