#include "platform/win/WinPlatform.h"

bool WinResources::Load(uint16_t type, uint16_t id, std::vector<uint8_t>& bytes)
{
    HRSRC info = FindResourceW(m_module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (info == nullptr)
        return false;
    DWORD size = SizeofResource(m_module, info);
    HGLOBAL data = LoadResource(m_module, info);
    if (data == nullptr)
        return false;
    const uint8_t* p = static_cast<const uint8_t*>(LockResource(data));
    if (p != nullptr)
        bytes.assign(p, p + size);
    FreeResource(data);
    return p != nullptr;
}
