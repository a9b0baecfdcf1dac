// Forced into every C++ file of the Windows builds (-include). The standard
// library's checks of its own preconditions (_GLIBCXX_ASSERTIONS) end the
// process at once on a broken one, as they do now, but without the
// message: the library's own form passes each check's file name, function
// signature and condition as text to its failure routine, which in the
// launcher only ends the process (app/win/RuntimeTrim.cpp) and never shows
// them. Those texts and the code that hands them over were about 23 KB of
// the PE32 launcher. The native build keeps the messages.
#pragma once
#include <bits/c++config.h>

#ifdef __glibcxx_assert_impl
#undef __glibcxx_assert_impl
#define __glibcxx_assert_impl(_Condition)                 \
    if (__builtin_expect(!bool(_Condition), false)) {     \
        __glibcxx_constexpr_assert(false);                \
        __builtin_abort();                                \
    }
#endif
