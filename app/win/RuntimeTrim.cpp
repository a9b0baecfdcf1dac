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
}  // namespace std
