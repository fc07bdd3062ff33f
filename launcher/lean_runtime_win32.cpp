// Replaces, at link time, the parts of the static C++ runtime that would double the
// Windows launcher's code without ever doing anything useful for it. An object file
// on the link line wins over the archive member that defines the same symbol, so
// these definitions keep the members out; if a later compiler defines a symbol here
// in a member the link still needs, the link fails with a duplicate definition.
//
// The launcher runs in the GUI subsystem or as a service and has no standard error.
// The default terminate handler would name an uncaught exception there and links in
// the whole demangler for it. The helpers that throw std::logic_error and its kin
// build their message in a copy-on-write string and bring the exception classes,
// that string and its instantiation along. Nothing in the launcher catches those
// exceptions, so throwing one ended the process through std::terminate and abort()
// anyway; here they call abort() at once. Allocation failures still throw.
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

}  // namespace std
