// The installer is built without exceptions (cmake/InstallerCode.cmake). Where the standard
// library would throw, it calls the functions below instead; libstdc++'s own versions throw,
// and would bring along the exception runtime, the unwinder and the terminate handler's name
// demangler, more than all of the installer's code.
//
// The installer never caught an exception: each one ended the process through std::terminate,
// whose handler wrote the exception's type and what() to standard error and called abort().
// These end the process in the same way, with the same lines.
#include <bits/functexcept.h> // the library's declarations of the functions defined here

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

void BeginReport(const char* type) {
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(type, stderr);
    std::fputs("'\n  what():  ", stderr);
}

[[noreturn]] void EndReport() {
    std::fputs("\n", stderr);
    std::abort();
}

[[noreturn]] void Terminate(const char* type, const char* what) {
    BeginReport(type);
    std::fputs(what != nullptr ? what : "", stderr);
    EndReport();
}

void PutUnsigned(std::size_t value) {
    char digits[24];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 && n < sizeof digits);
    while (n != 0)
        std::fputc(digits[--n], stderr);
}

// The library's messages use %s, %zu and %%; anything else is written as it stands.
void PutFormatted(const char* format, std::va_list args) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* text = va_arg(args, const char*);
            std::fputs(text != nullptr ? text : "", stderr);
            ++p;
        } else if (p[0] == '%' && p[1] == 'z' && p[2] == 'u') {
            PutUnsigned(va_arg(args, std::size_t));
            p += 2;
        } else if (p[0] == '%' && p[1] == '%') {
            std::fputc('%', stderr);
            ++p;
        } else {
            std::fputc(*p, stderr);
        }
    }
}

// malloc until it succeeds, calling the new handler between attempts; false when there is no
// handler to make room.
void* Allocate(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size != 0 ? size : 1))
            return block;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            return nullptr;
        handler();
    }
}

} // namespace

// The allocation functions: the library's throw std::bad_alloc. Its operator delete (free)
// matches these.
void* operator new(std::size_t size) {
    if (void* block = Allocate(size))
        return block;
    Terminate("std::bad_alloc", "std::bad_alloc");
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

namespace std {

void __throw_bad_exception() {
    Terminate("std::bad_exception", "std::bad_exception");
}
void __throw_bad_alloc() {
    Terminate("std::bad_alloc", "std::bad_alloc");
}
void __throw_bad_array_new_length() {
    Terminate("std::bad_array_new_length", "std::bad_array_new_length");
}
void __throw_bad_cast() {
    Terminate("std::bad_cast", "std::bad_cast");
}
void __throw_bad_typeid() {
    Terminate("std::bad_typeid", "std::bad_typeid");
}
void __throw_bad_function_call() {
    Terminate("std::bad_function_call", "bad_function_call");
}
void __throw_logic_error(const char* what) {
    Terminate("std::logic_error", what);
}
void __throw_domain_error(const char* what) {
    Terminate("std::domain_error", what);
}
void __throw_invalid_argument(const char* what) {
    Terminate("std::invalid_argument", what);
}
void __throw_length_error(const char* what) {
    Terminate("std::length_error", what);
}
void __throw_out_of_range(const char* what) {
    Terminate("std::out_of_range", what);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    BeginReport("std::out_of_range");
    std::va_list args;
    va_start(args, format);
    PutFormatted(format != nullptr ? format : "", args);
    va_end(args);
    EndReport();
}
void __throw_runtime_error(const char* what) {
    Terminate("std::runtime_error", what);
}
void __throw_range_error(const char* what) {
    Terminate("std::range_error", what);
}
void __throw_overflow_error(const char* what) {
    Terminate("std::overflow_error", what);
}
void __throw_underflow_error(const char* what) {
    Terminate("std::underflow_error", what);
}

} // namespace std
