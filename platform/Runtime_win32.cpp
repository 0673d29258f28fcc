// Small replacements for the C++ runtime's failure paths. The program is
// built without exceptions; the library's versions would pull in exception
// support and a demangler that make up most of the file's size. Each of these
// failures can only come from exhausted memory or a program fault, and ends
// the process at once.
#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void Fail() { std::abort(); }
}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) Fail();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace std {
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_bad_function_call() { Fail(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { Fail(); }
}  // namespace __gnu_cxx

// Nothing is ever thrown, so the unwinder is never entered: the landing pads
// inside the prebuilt string code only need these names to link. The x86-64
// runtime brings its own (table-based unwinding), and these would clash.
#if defined(__i386__)
extern "C" {
void __gxx_personality_v0() { Fail(); }
void _Unwind_Resume() { Fail(); }
void __cxa_begin_catch() { Fail(); }
void __cxa_end_catch() { Fail(); }
void __cxa_rethrow() { Fail(); }
}
#endif
