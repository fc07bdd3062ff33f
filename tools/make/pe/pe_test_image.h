#pragma once

// A small PE image for the tests: a code section and a resource section holding
// `resources`, laid out as a linker would, and a section of relocations behind them if
// asked for.
#include <string>

#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/pe_resource_writer.h"

struct TestImageOptions {
  bool Pe32Plus = false;
  std::string Tail;                   // bytes behind the last section
  bool TailIsSymbolTable = false;     // PointerToSymbolTable names the tail
  std::uint32_t CertificateSize = 0;  // a certificate table entry
  // The characteristics of a section ".reloc" behind the resources, the base
  // relocation directory's; 0: none.
  std::uint32_t Following = 0;
};

inline std::string MakeTestImage(const ResourceTree& resources,
                                 const TestImageOptions& options = TestImageOptions()) {
  const std::size_t optionalSize = options.Pe32Plus ? 240 : 224;
  const std::size_t optional = 0x40 + 4 + 20;
  const std::size_t table = optional + optionalSize;
  const std::string section = SerializeResourceTree(resources, 0x2000);
  const std::size_t rawSize = (section.size() + 0x1FF) / 0x200 * 0x200;
  const std::uint32_t followingRva =
      0x2000 + static_cast<std::uint32_t>((section.size() + 0xFFF) / 0x1000 * 0x1000);
  std::string image(0x400 + rawSize + (options.Following ? 0x200 : 0), '\0');
  image[0] = 'M';
  image[1] = 'Z';
  WriteLe(&image, 0x3C, 0x40, 4);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  WriteLe(&image, 0x44, options.Pe32Plus ? MachineAmd64 : MachineI386, 2);
  WriteLe(&image, 0x46, options.Following ? 3 : 2, 2);
  if (options.TailIsSymbolTable) WriteLe(&image, 0x4C, static_cast<std::uint32_t>(image.size()), 4);
  WriteLe(&image, 0x54, static_cast<std::uint32_t>(optionalSize), 2);
  WriteLe(&image, 0x56, 0x0102, 2);
  WriteLe(&image, optional, options.Pe32Plus ? 0x20B : 0x10B, 2);
  WriteLe(&image, optional + 8, static_cast<std::uint32_t>(rawSize), 4);
  WriteLe(&image, optional + 32, 0x1000, 4);
  WriteLe(&image, optional + 36, 0x200, 4);
  WriteLe(&image, optional + 56, followingRva + (options.Following ? 0x1000 : 0), 4);
  WriteLe(&image, optional + 60, 0x200, 4);
  WriteLe(&image, optional + SubsystemOffset, SubsystemWindowsGui, 2);
  const std::size_t directories = optional + (options.Pe32Plus ? 112 : 96);
  WriteLe(&image, directories - 4, 16, 4);
  WriteLe(&image, directories + 16, 0x2000, 4);
  WriteLe(&image, directories + 20, static_cast<std::uint32_t>(section.size()), 4);
  WriteLe(&image, directories + 32, options.CertificateSize ? 0x10000 : 0, 4);
  WriteLe(&image, directories + 36, options.CertificateSize, 4);

  image.replace(table, 8, std::string(".text\0\0\0", 8));
  WriteLe(&image, table + 8, 0x10, 4);
  WriteLe(&image, table + 12, 0x1000, 4);
  WriteLe(&image, table + 16, 0x200, 4);
  WriteLe(&image, table + 20, 0x200, 4);
  WriteLe(&image, table + 36, 0x60000020, 4);
  image[0x200] = '\xC3';

  image.replace(table + 40, 8, std::string(".rsrc\0\0\0", 8));
  WriteLe(&image, table + 48, static_cast<std::uint32_t>(section.size()), 4);
  WriteLe(&image, table + 52, 0x2000, 4);
  WriteLe(&image, table + 56, static_cast<std::uint32_t>(rawSize), 4);
  WriteLe(&image, table + 60, 0x400, 4);
  WriteLe(&image, table + 76, 0x40000040, 4);
  image.replace(0x400, section.size(), section);
  if (options.Following) {
    const std::size_t at = table + 80;
    image.replace(at, 8, std::string(".reloc\0\0", 8));
    WriteLe(&image, at + 8, 0x10, 4);
    WriteLe(&image, at + 12, followingRva, 4);
    WriteLe(&image, at + 16, 0x200, 4);
    WriteLe(&image, at + 20, static_cast<std::uint32_t>(0x400 + rawSize), 4);
    WriteLe(&image, at + 36, options.Following, 4);
    WriteLe(&image, directories + 40, followingRva, 4);
    WriteLe(&image, directories + 44, 0x10, 4);
    image.replace(0x400 + rawSize, 16, "relocation bytes");
  }
  return image + options.Tail;
}
