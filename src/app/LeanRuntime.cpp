// The little run-time the exe needs, in place of the C run-time DLL (which
// the first Windows 95 lacks) and of the C++ exception runtime (which this
// program, built without exceptions, has no use for). Linked into the exe
// only; the tests keep the usual run-times.
//
// Nothing in the program unwinds: a raised error is reported and ends the
// process where it is found. What reaches abort is a broken invariant (a
// length past max_size, an index out of range) or memory running out for a
// few short strings; there is no one to report those to and nothing to save,
// so the program stops at once.
//
// Built without link-time optimisation: the compiler may emit calls to these
// routines late, while generating code, when only a plain object can still
// answer them; and it must not turn their loops back into calls to themselves.
#include <windows.h>

#include <cstddef>
#include <new>

#include "app/LeanRuntime.h"

extern "C" {

// The exit code the C run-time's abort leaves.
[[noreturn]] void abort() { ::ExitProcess(3); }

// The compiler emits calls to these four for block copies, clears and compares.
void* memcpy(void* to, const void* from, std::size_t n) { return lean::CopyBytes(to, from, n); }
void* memmove(void* to, const void* from, std::size_t n) { return lean::MoveBytes(to, from, n); }
void* memset(void* to, int value, std::size_t n) { return lean::FillBytes(to, value, n); }
int memcmp(const void* a, const void* b, std::size_t n) { return lean::CompareBytes(a, b, n); }

// The string classes search and measure with these.
void* memchr(const void* in, int value, std::size_t n) { return lean::FindByte(in, value, n); }
std::size_t strlen(const char* s) { return lean::Length(s); }
std::size_t wcslen(const wchar_t* s) { return lean::Length(s); }

// std::nearbyint.
double nearbyint(double value) { return lean::RoundToEven(value); }

}  // extern "C"

// Strings allocate on the process heap. The library's operator new throws
// std::bad_alloc, which this program cannot.
void* operator new(std::size_t size) {
    if (void* p = ::HeapAlloc(::GetProcessHeap(), 0, size ? size : 1)) return p;
    abort();
}
void operator delete(void* p) noexcept {
    if (p) ::HeapFree(::GetProcessHeap(), 0, p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

// The library's versions build and throw exception objects.
namespace std {
[[noreturn]] void __throw_bad_alloc() { abort(); }
[[noreturn]] void __throw_bad_array_new_length() { abort(); }
[[noreturn]] void __throw_length_error(const char*) { abort(); }
[[noreturn]] void __throw_logic_error(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range(const char*) { abort(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { abort(); }
[[noreturn]] void __throw_invalid_argument(const char*) { abort(); }
}  // namespace std
