// corvane-scramble: prints the stored form of a main-class name for the launcher's
// string table, so that nobody has to write the digits by hand.
//
//   corvane-scramble org.quillmark.Quillmark
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/scramble.h"

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: corvane-scramble <dotted.main.ClassName>\n");
    return 2;
  }
  if (std::strlen(argv[1]) > 255) {
    std::fprintf(stderr, "corvane-scramble: a class name of more than 255 characters does not fit\n");
    return 1;
  }
  std::printf("%s\n", ScrambleText(argv[1]).c_str());
  return 0;
}
