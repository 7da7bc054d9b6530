// Calling a declared function with a C++ signature:
//
//   HANDLE snapshot = CallDeclared<HANDLE(DWORD, DWORD)>(kToolhelpSnapshot, TH32CS_SNAPPROCESS, 0);
//
// The signature is the function's own (its Win32 calling convention is implied): each
// argument is converted to its parameter type before the call. On i686 every argument is
// one 32-bit word and the call goes through a thunk that checks the stack afterwards: a
// function declared with the wrong arguments leaves the stack moved, which is runtime
// error 6. On x86_64 there is one calling convention and no such check.
#pragma once

#include <cstdint>
#include <cstring>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "runtime/declared_api.h"
#include "runtime/frame.h"

#if defined(__i386__)
// Pushes `count` words (args[0] last, so it ends up first), calls `fn`, and stores in
// *stackMoved how far the stack pointer is from where it was before the pushes (0 for
// a stdcall function that removed exactly its arguments). The stack is restored either way.
extern "C" uint32_t quill_call_stdcall_checked(const void* fn, const uint32_t* args, uint32_t count,
                                               int32_t* stackMoved);
#endif

namespace quill {

namespace detail {

#if defined(__i386__)
template <class T>
uint32_t ToWord(T value) {
    static_assert(sizeof(T) <= 4 && std::is_trivially_copyable<T>::value,
                  "a declared function takes 32-bit arguments; pass records by address");
    if constexpr (std::is_same<T, std::nullptr_t>::value) {
        return 0;
    } else if constexpr (std::is_integral<T>::value || std::is_enum<T>::value) {
        // Widened as the value, so a short or a signed char keeps its sign.
        return static_cast<uint32_t>(static_cast<int32_t>(value));
    } else {
        uint32_t word = 0;
        std::memcpy(&word, &value, sizeof(T));
        return word;
    }
}
#endif

template <class Signature>
struct DeclaredCall;

template <class R, class... P>
struct DeclaredCall<R(P...)> {
    template <class... A>
    static R Call(uint32_t index, A&&... args) {
        static_assert(sizeof...(A) == sizeof...(P), "argument count differs from the signature");
        // The i686 call returns EAX only, where a floating-point result is not; refused on
        // every build so that an x86_64 build catches it too.
        static_assert(!std::is_floating_point<R>::value, "a declared function cannot return a floating-point value");
        const void* fn = ResolveDeclared(index);
#if defined(__i386__)
        uint32_t words[sizeof...(P) + 1] = {ToWord<P>(static_cast<P>(std::forward<A>(args)))..., 0};
        int32_t stackMoved = 0;
        uint32_t result = quill_call_stdcall_checked(fn, words, sizeof...(P), &stackMoved);
        if (stackMoved != 0) RaiseRuntimeErrorCode(6);
        if constexpr (std::is_void<R>::value) {
            (void)result;
        } else {
            static_assert(sizeof(R) <= 4 && std::is_trivially_copyable<R>::value, "32-bit results only");
            R value;
            std::memcpy(&value, &result, sizeof(R));
            return value;
        }
#else
        using Fn = R (*)(P...);
        return reinterpret_cast<Fn>(const_cast<void*>(fn))(static_cast<P>(std::forward<A>(args))...);
#endif
    }
};

}  // namespace detail

template <class Signature, class... A>
auto CallDeclared(uint32_t index, A&&... args) {
    return detail::DeclaredCall<Signature>::Call(index, std::forward<A>(args)...);
}

}  // namespace quill
