#include "config/Cp936.h"

// The portable build converts with the code page's table.
void AppendCp936Unit(std::wstring& out, const uint8_t* unit, size_t length)
{
    AppendCp936UnitFromTable(out, unit, length);
}
