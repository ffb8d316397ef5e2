// Replacements for the few runtime routines that would otherwise bring most
// of a static C++ runtime into this small GUI program. Linked into the exe only.
//
// Every error the program raises is caught at the top of Main. What is left
// for these is a broken invariant (a length past max_size, an index out of
// range, a noexcept function that threw) or memory running out for a few
// short strings: there is no one to report those to and nothing to save, so
// the program stops at once.
//
// The defaults print the demangled type of the exception (a 45 KB demangler)
// or build std::logic_error objects, whose copy-on-write strings pull in a
// second full set of string functions and std::random_device with them.
#include <cstdlib>

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { std::abort(); }
}  // namespace std
