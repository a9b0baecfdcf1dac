// The launcher is built without exceptions, and nothing in it catches one.
// The C++ runtime still links its exception machinery for the few places
// where the standard library would throw (a string too long, memory
// exhausted): the message-formatting terminate handler with its name
// demangler, and the exception classes with their strings, together about
// a fifth of the program. These definitions take the place of the
// runtime's own and end the process at once, which is what an uncaught
// exception would do anyway. Linked into the launcher only; the test
// programs keep the runtime's messages.
#include <cstdlib>
#include <memory>
#include <new>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc()
{
    std::abort();
}
void __throw_bad_array_new_length()
{
    std::abort();
}
void __throw_bad_function_call()
{
    std::abort();
}
void __throw_length_error(const char*)
{
    std::abort();
}
void __throw_logic_error(const char*)
{
    std::abort();
}
void __throw_out_of_range(const char*)
{
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...)
{
    std::abort();
}
void __throw_invalid_argument(const char*)
{
    std::abort();
}
// A failed check of the standard library's own (an index out of range, for
// one): the runtime's message would link its exception machinery. The
// Windows builds' checks end the process themselves (cmake/StdAssertAbort.h);
// this stays for any code of the runtime's that still calls it.
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept
{
    std::abort();
}
// The program is built without run-time type information, so a shared
// object made by make_shared is told from others by the address of its
// tag's type (which the library's inline code compares first), never by a
// type_info's name: the runtime's comparison would link its exception
// machinery. Asked only through std::get_deleter, which nothing here uses.
bool _Sp_make_shared_tag::_S_eq(const type_info&) noexcept
{
    return false;
}
}  // namespace std

// The runtime's allocation functions throw std::bad_alloc, or catch it,
// which alone would link the whole unwinder (with the thread library it
// needs, some 45 KB). Without exceptions they are plain malloc, as the
// runtime's own are underneath (its operator delete is plain free): an
// allocation that fails ends the process, as the uncaught exception would.
void* operator new(std::size_t size)
{
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr)
        std::abort();
    return block;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

#if defined(__i386__)
// What a thrown exception passes through: the routine the unwinder calls
// for each frame, the catch blocks' entry, exit and rethrow, and the return
// to the unwinder after a cleanup. Nothing in
// the launcher throws (every throw path above ends the process), yet the
// runtime's string code names them in its cleanup and catch blocks; the
// runtime's own would link the unwinder and, through it, the thread
// library.
extern "C" int __gxx_personality_v0(int, int, unsigned long long, void*, void*)
{
    std::abort();
}

extern "C" void* __cxa_begin_catch(void*) noexcept
{
    std::abort();
}

extern "C" void __cxa_end_catch()
{
    std::abort();
}

extern "C" void __cxa_rethrow()
{
    std::abort();
}

extern "C" void _Unwind_Resume(void*)
{
    std::abort();
}
#endif
