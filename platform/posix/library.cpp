#include "platform/library.h"

#include <dlfcn.h>

#include <cerrno>
#include <string>

namespace {

thread_local std::string LastLoadFailure;

}  // namespace

LibraryHandle LoadRuntimeLibrary(const char* path) {
  // A name without a slash would be looked up on the library path instead of in
  // the current directory, where it was found.
  std::string name = path;
  if (name.find('/') == std::string::npos) name = "./" + name;
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    LastLoadFailure = reason != nullptr ? reason : "";
    errno = ENOENT;
  }
  return library;
}

std::string LibraryLoadFailure(const char*) { return LastLoadFailure; }

void* FindLibraryEntry(LibraryHandle library, const char* name) { return dlsym(library, name); }

void FreeRuntimeLibrary(LibraryHandle library) { dlclose(library); }
