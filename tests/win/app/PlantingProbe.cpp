// Loads each DLL named on the command line by its bare name, as a program
// that does not restrict its DLL search would: the end-to-end test runs it
// beside planted DLLs to show that the planting itself works.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    int loaded = 0;
    for (int i = 1; i < argc; ++i)
        loaded += LoadLibraryW(argv[i]) != nullptr ? 1 : 0;
    return loaded == argc - 1 ? 0 : 1;
}
