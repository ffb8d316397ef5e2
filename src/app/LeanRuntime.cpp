// Replacements for the runtime routines that would otherwise bring the C++
// exception runtime (unwinder, personality, type information) into this
// small program, which is built without exceptions. Linked into the exe only.
//
// Nothing in the program ever unwinds: a raised error is reported and ends
// the process where it is found. What reaches these is a broken invariant (a
// length past max_size, an index out of range) or memory running out for a
// few short strings; there is no one to report those to and nothing to save,
// so the program stops at once.
#include <cstdlib>
#include <new>

// The library's operator new throws std::bad_alloc.
void* operator new(std::size_t size) {
    if (void* p = std::malloc(size ? size : 1)) return p;
    std::abort();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

// The library's versions build and throw exception objects.
namespace std {
[[noreturn]] void __throw_bad_alloc() { std::abort(); }
[[noreturn]] void __throw_bad_array_new_length() { std::abort(); }
[[noreturn]] void __throw_length_error(const char*) { std::abort(); }
[[noreturn]] void __throw_logic_error(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { std::abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { std::abort(); }
}  // namespace std
