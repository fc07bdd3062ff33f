// Replaces, at link time, the parts of the static C++ runtime that would double the
// Windows launcher's code without ever doing anything useful for it. An object file
// on the link line wins over the archive member that defines the same symbol, so
// these definitions keep the members out; if a later compiler defines a symbol here
// in a member the link still needs, the link fails with a duplicate definition.
//
// The launcher runs in the GUI subsystem or as a service and has no standard error.
// The default terminate handler would name an uncaught exception there and links in
// the whole demangler for it. The helpers that throw std::logic_error,
// std::system_error and their kin build their message in a copy-on-write string and
// bring the exception classes, that string and its instantiation along. Nothing in
// the launcher catches those exceptions, so throwing one ended the process through
// std::terminate and abort() anyway; here they call abort() at once. Allocation
// failures still throw.
//
// C++ code on MinGW formats through MinGW's own printf, which brings its whole
// floating-point conversion; the launcher formats only its trace lines, with %s, %d,
// %u, %lu and %f, which the system's msvcrt formats alike.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_system_error(int) { std::abort(); }

}  // namespace std

extern "C" {

// msvcrt.dll: _vsnprintf writes at most `count` characters and leaves the text
// unterminated when it is cut; _vscprintf counts the characters of the whole text.
int __cdecl _vsnprintf(char* buffer, std::size_t count, const char* format, va_list arguments);
int __cdecl _vscprintf(const char* format, va_list arguments);

// vsnprintf and snprintf of C99: the whole text's length, and a terminated text of at
// most size - 1 characters.
int __cdecl __mingw_vsnprintf(char* buffer, std::size_t size, const char* format,
                              va_list arguments) {
  va_list counted;
  va_copy(counted, arguments);
  const int length = _vscprintf(format, counted);
  va_end(counted);
  if (size == 0) return length;
  _vsnprintf(buffer, size - 1, format, arguments);
  buffer[length < 0 ? 0 : (static_cast<std::size_t>(length) < size ? length : size - 1)] = '\0';
  return length;
}

}  // extern "C"
