// A screen reader's view of a running launcher, for the end-to-end tests
// (and a screen that changes its DPI under it):
// finds the window by its class and caption, takes its client area's
// accessible object from another process (AccessibleObjectFromWindow), and
//
//   accessible_probe tree CAPTION          prints one line per child:
//                                          id, role, name, value, default
//                                          action, location (UTF-8, tabs)
//   accessible_probe press CAPTION NAME    runs the default action of the
//                                          child named NAME
//   accessible_probe iconic CAPTION        prints "iconic" or "normal"
//   accessible_probe dpi CAPTION N         tells the window its screen is
//                                          now N DPI (WM_DPICHANGED, with
//                                          no suggested place: a pointer
//                                          would not cross processes)
//
// Exit code 0 on success, 2 when the window or the object is not found, 3
// when the named child is missing or its action fails.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    std::fputs(bytes.c_str(), stdout);
    std::fputs("\n", stdout);
}

std::wstring Take(BSTR text)
{
    std::wstring result = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

const wchar_t* RoleName(LONG role)
{
    switch (role) {
    case ROLE_SYSTEM_PUSHBUTTON:
        return L"pushbutton";
    case ROLE_SYSTEM_STATICTEXT:
        return L"statictext";
    case ROLE_SYSTEM_PROGRESSBAR:
        return L"progressbar";
    case ROLE_SYSTEM_GRAPHIC:
        return L"graphic";
    case ROLE_SYSTEM_CLIENT:
        return L"client";
    default:
        return L"other";
    }
}

struct Child {
    LONG id;
    std::wstring role, name, value, action;
    LONG x, y, w, h;
};

std::vector<Child> Children(IAccessible* object)
{
    std::vector<Child> children;
    LONG count = 0;
    if (FAILED(object->get_accChildCount(&count)) || count <= 0)
        return children;
    std::vector<VARIANT> ids(static_cast<size_t>(count));
    LONG obtained = 0;
    if (FAILED(AccessibleChildren(object, 0, count, ids.data(), &obtained)))
        return children;
    for (LONG i = 0; i < obtained; ++i) {
        VARIANT id = ids[static_cast<size_t>(i)];
        if (id.vt != VT_I4) {
            VariantClear(&id);
            continue;
        }
        Child child{id.lVal, L"", L"", L"", L"", 0, 0, 0, 0};
        BSTR text = nullptr;
        if (object->get_accName(id, &text) == S_OK)
            child.name = Take(text);
        text = nullptr;
        if (object->get_accValue(id, &text) == S_OK)
            child.value = Take(text);
        text = nullptr;
        if (object->get_accDefaultAction(id, &text) == S_OK)
            child.action = Take(text);
        VARIANT role;
        VariantInit(&role);
        if (SUCCEEDED(object->get_accRole(id, &role)) && role.vt == VT_I4)
            child.role = RoleName(role.lVal);
        object->accLocation(&child.x, &child.y, &child.w, &child.h, id);
        children.push_back(child);
    }
    return children;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    const std::wstring command = argv[1];
    HWND window = FindWindowW(L"QUILLMEREX", argv[2]);
    if (window == nullptr)
        return 2;
    if (command == L"iconic") {
        Print(IsIconic(window) ? L"iconic" : L"normal");
        return 0;
    }
    if (command == L"dpi" && argc >= 4) {
        const WORD dpi = static_cast<WORD>(_wtoi(argv[3]));
        SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), 0);
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    int code = 2;
    IAccessible* object = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object))) &&
        object != nullptr) {
        const std::vector<Child> children = Children(object);
        if (command == L"tree") {
            for (const Child& c : children) {
                Print(std::to_wstring(c.id) + L"\t" + c.role + L"\t" + c.name + L"\t" + c.value + L"\t" + c.action +
                      L"\t" + std::to_wstring(c.x) + L"," + std::to_wstring(c.y) + L"," + std::to_wstring(c.w) +
                      L"," + std::to_wstring(c.h));
            }
            code = 0;
        } else if (command == L"press" && argc >= 4) {
            code = 3;
            for (const Child& c : children) {
                if (c.name != argv[3])
                    continue;
                VARIANT id;
                VariantInit(&id);
                id.vt = VT_I4;
                id.lVal = c.id;
                if (object->accDoDefaultAction(id) == S_OK)
                    code = 0;
                break;
            }
        }
        object->Release();
    }
    CoUninitialize();
    std::fflush(stdout);
    return code;
}
