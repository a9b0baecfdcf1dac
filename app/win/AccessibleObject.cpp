#include "app/win/AccessibleObject.h"

#include <oleacc.h>

#include <string>
#include <vector>

#include "app/AccessibleItems.h"
#include "app/LauncherApp.h"
#include "app/ScreenLayout.h"
#include "platform/win/ScopedHandles.h"
#include "platform/win/SystemLibrary.h"
#include "ui/CNormalBtn.h"

namespace {

// The functions of oleacc.dll and oleaut32.dll the object needs, from the
// system folder; loaded once and kept for the life of the process.
struct AccessibilityLibraries {
    decltype(&LresultFromObject) lresultFromObject = nullptr;
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject = nullptr;
    decltype(&SysAllocString) sysAllocString = nullptr;

    bool Loaded() const { return lresultFromObject != nullptr && sysAllocString != nullptr; }
};

// Filled at the first request, on the window's thread (the only one that
// asks); a global rather than a local static, whose first use would need a
// thread-safe guard.
AccessibilityLibraries g_libraries;
bool g_librariesLooked = false;

const AccessibilityLibraries& Libraries()
{
    if (!g_librariesLooked) {
        g_librariesLooked = true;
        DWORD error = 0;
        HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll", error);
        HMODULE oleaut = LoadSystemLibrary(L"oleaut32.dll", error);
        g_libraries.lresultFromObject = LookUpFunction<decltype(&LresultFromObject)>(oleacc, "LresultFromObject");
        g_libraries.createStdAccessibleObject =
            LookUpFunction<decltype(&CreateStdAccessibleObject)>(oleacc, "CreateStdAccessibleObject");
        g_libraries.sysAllocString = LookUpFunction<decltype(&SysAllocString)>(oleaut, "SysAllocString");
    }
    return g_libraries;
}

HRESULT Text(const std::wstring& text, BSTR* out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (text.empty())
        return S_FALSE;
    *out = Libraries().sysAllocString(text.c_str());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetChild(VARIANT* out, LONG child)
{
    out->vt = VT_I4;
    out->lVal = child;
}

void SetEmpty(VARIANT* out)
{
    out->vt = VT_EMPTY;
}

LONG RoleOf(AccessibleRole role)
{
    switch (role) {
    case AccessibleRole::PushButton:
        return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::ProgressBar:
        return ROLE_SYSTEM_PROGRESSBAR;
    case AccessibleRole::Graphic:
        return ROLE_SYSTEM_GRAPHIC;
    case AccessibleRole::StaticText:
        break;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

// The client area (child 0) and the visible elements (1 and up) of the
// window. Every call reads the screen as it is now; once the launcher has
// let go of the window, every call fails with "disconnected".
class ScreenAccessibleObject final : public IAccessible {
public:
    explicit ScreenAccessibleObject(HWND window) : m_window(window) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers use the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        if (parent == nullptr)
            return E_POINTER;
        *parent = nullptr;
        if (App() == nullptr)
            return RPC_E_DISCONNECTED;
        auto create = Libraries().createStdAccessibleObject;
        if (create == nullptr)
            return S_FALSE;
        return create(m_window, OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        const LauncherApp* app = App();
        if (app == nullptr)
            return RPC_E_DISCONNECTED;
        *count = static_cast<LONG>(AccessibleItems(*app).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT id, IDispatch** child) override
    {
        if (child == nullptr)
            return E_POINTER;
        *child = nullptr;
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (FAILED(found))
            return found;
        // The elements are simple children: no objects of their own.
        return found == S_OK ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override
    {
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (found != S_OK) {
            if (found != S_FALSE || name == nullptr)
                return FAILED(found) ? found : E_POINTER;
            // The client area is named after the window's caption.
            wchar_t caption[256] = {};
            GetWindowTextW(m_window, caption, 256);
            return Text(caption, name);
        }
        return Text(item.name, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT id, BSTR* value) override
    {
        return ChildText(id, value, [](const AccessibleItem& item) {
            return item.role == AccessibleRole::ProgressBar ? &item.value : nullptr;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* text) override { return Nothing(id, text); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override
    {
        if (role == nullptr)
            return E_POINTER;
        SetEmpty(role);
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (FAILED(found))
            return found;
        SetChild(role, found == S_OK ? RoleOf(item.role) : ROLE_SYSTEM_CLIENT);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override
    {
        if (state == nullptr)
            return E_POINTER;
        SetEmpty(state);
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (FAILED(found))
            return found;
        const bool focused = GetFocus() == m_window;
        LONG flags = 0;
        if (found == S_FALSE) {
            flags = STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
        } else if (item.role == AccessibleRole::PushButton) {
            const LauncherApp* app = App();
            flags = STATE_SYSTEM_FOCUSABLE;
            if (app->Pointer().hovered == item.element)
                flags |= STATE_SYSTEM_HOTTRACKED;
            if (static_cast<const CBtn*>(item.element)->m_state == BTN_PRESSED)
                flags |= STATE_SYSTEM_PRESSED;
            if (item.command == ID_INSTALL)
                flags |= STATE_SYSTEM_DEFAULT | (focused ? STATE_SYSTEM_FOCUSED : 0);
        } else {
            flags = STATE_SYSTEM_READONLY;
        }
        SetChild(state, flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT id, BSTR* text) override { return Nothing(id, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override
    {
        if (file != nullptr)
            *file = nullptr;
        if (topic != nullptr)
            *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT id, BSTR* text) override { return Nothing(id, text); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (focus == nullptr)
            return E_POINTER;
        SetEmpty(focus);
        const LauncherApp* app = App();
        if (app == nullptr)
            return RPC_E_DISCONNECTED;
        if (GetFocus() != m_window)
            return S_FALSE;
        // The install button is where Return and Space act.
        SetChild(focus, AccessibleChildId(*app, g_installButton));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        if (selection == nullptr)
            return E_POINTER;
        SetEmpty(selection);
        return App() == nullptr ? RPC_E_DISCONNECTED : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override
    {
        return ChildText(id, action, [](const AccessibleItem& item) {
            return item.defaultAction.empty() ? nullptr : &item.defaultAction;
        });
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT id) override
    {
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        return FAILED(found) ? found : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override
    {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
            return E_POINTER;
        *left = *top = *width = *height = 0;
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (FAILED(found))
            return found;
        RECT area{};
        if (found == S_OK) {
            area = RECT{item.rect.left, item.rect.top, item.rect.right, item.rect.bottom};
        } else if (!GetClientRect(m_window, &area)) {
            return E_FAIL;
        }
        POINT origin{area.left, area.top};
        ClientToScreen(m_window, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override
    {
        if (end == nullptr)
            return E_POINTER;
        SetEmpty(end);
        AccessibleItem item;
        const HRESULT found = Find(start, item);
        if (FAILED(found))
            return found;
        const LONG count = static_cast<LONG>(AccessibleItems(*App()).size());
        const LONG from = found == S_OK ? start.lVal : 0;
        LONG to = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD:
            to = from == 0 && count > 0 ? 1 : 0;
            break;
        case NAVDIR_LASTCHILD:
            to = from == 0 ? count : 0;
            break;
        case NAVDIR_NEXT:
        case NAVDIR_DOWN:
        case NAVDIR_RIGHT:
            to = from != 0 && from < count ? from + 1 : 0;
            break;
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP:
        case NAVDIR_LEFT:
            to = from > 1 ? from - 1 : 0;
            break;
        default:
            return E_INVALIDARG;
        }
        if (to == 0)
            return S_FALSE;
        SetChild(end, to);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* hit) override
    {
        if (hit == nullptr)
            return E_POINTER;
        SetEmpty(hit);
        const LauncherApp* app = App();
        if (app == nullptr)
            return RPC_E_DISCONNECTED;
        POINT point{x, y};
        RECT client{};
        if (!ScreenToClient(m_window, &point) || !GetClientRect(m_window, &client) || !PtInRect(&client, point))
            return S_FALSE;
        SetChild(hit, AccessibleChildAt(*app, point.x, point.y));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override
    {
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (found != S_OK)
            return FAILED(found) ? found : DISP_E_MEMBERNOTFOUND;
        if (item.command < 0)
            return DISP_E_MEMBERNOTFOUND;
        // Run as a click does, once this call has returned to the reader.
        return PostMessageW(m_window, WM_ACTIVATE_ELEMENT, static_cast<WPARAM>(item.command), 0) ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~ScreenAccessibleObject() = default;

    // The application while it still shows this window; null afterwards.
    const LauncherApp* App() const
    {
        LauncherApp* app = g_app;
        if (app == nullptr || app->Window() != m_window || app->Screen() == nullptr)
            return nullptr;
        return app;
    }

    // S_OK with item for a listed child, S_FALSE for the client area
    // itself, E_INVALIDARG for anything else.
    HRESULT Find(const VARIANT& id, AccessibleItem& item) const
    {
        const LauncherApp* app = App();
        if (app == nullptr)
            return RPC_E_DISCONNECTED;
        if (id.vt != VT_I4)
            return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF)
            return S_FALSE;
        const std::vector<AccessibleItem> items = AccessibleItems(*app);
        if (id.lVal < 1 || static_cast<size_t>(id.lVal) > items.size())
            return E_INVALIDARG;
        item = items[static_cast<size_t>(id.lVal) - 1];
        return S_OK;
    }

    // Descriptions, help and shortcuts: there are none.
    // A text that only some children have (the bar's value, a button's
    // default action): pick gives it, or null for a child without one;
    // DISP_E_MEMBERNOTFOUND then, and for the client area.
    HRESULT ChildText(const VARIANT& id, BSTR* text,
                      const std::wstring* (*pick)(const AccessibleItem& item)) const
    {
        if (text == nullptr)
            return E_POINTER;
        *text = nullptr;
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        if (found != S_OK)
            return FAILED(found) ? found : DISP_E_MEMBERNOTFOUND;
        const std::wstring* value = pick(item);
        return value == nullptr ? DISP_E_MEMBERNOTFOUND : Text(*value, text);
    }
    HRESULT Nothing(const VARIANT& id, BSTR* text) const
    {
        if (text == nullptr)
            return E_POINTER;
        *text = nullptr;
        AccessibleItem item;
        const HRESULT found = Find(id, item);
        return FAILED(found) ? found : S_FALSE;
    }

    LONG m_references = 1;
    HWND m_window;
};

using ScopedAccessible = ScopedHandle<IAccessible*, &ReleaseComObject>;

ScopedComApartment g_com;
ScopedAccessible g_accessible;

}  // namespace

bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return false;
    const AccessibilityLibraries& libraries = Libraries();
    if (!libraries.Loaded())
        return false;
    // The object is handed out through COM, in this thread's apartment.
    if (!HoldComApartment(g_com, COINIT_APARTMENTTHREADED))
        return false;
    if (!g_accessible)
        g_accessible.Reset(new ScreenAccessibleObject(window));
    result = libraries.lresultFromObject(__uuidof(IAccessible), wParam, g_accessible.Get());
    return result >= 0;
}

void ReleaseAccessibleObject()
{
    if (g_accessible)
        CoDisconnectObject(g_accessible.Get(), 0);
    g_accessible.Reset();
}

void LeaveAccessibleObjectApartment()
{
    g_com.Reset();
}
