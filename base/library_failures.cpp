// The standard library's ways of reporting a failure, linked into each executable in place of
// its own. Its own build an exception object holding a reference-counted string, and for an
// exception nobody catches they print the type's demangled name on a console these windowed
// programs do not have: together some 90 KB of every executable. Nothing here catches those
// exceptions, so each of them ended the program; it still ends, by the same abort. Running out
// of memory is still thrown as std::bad_alloc, which the text commands catch.
#include <bits/functexcept.h>
#include <cstdlib>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_exception() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }
void __throw_ios_failure(const char*) { abort(); }
void __throw_ios_failure(const char*, int) { abort(); }
void __throw_system_error(int) { abort(); }
void __throw_future_error(int) { abort(); }
void __throw_bad_function_call() { abort(); }
}  // namespace std
