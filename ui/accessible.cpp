#include "ui/accessible.h"

#include <oleauto.h>

#include <atomic>
#include <vector>

#include "base/wide_text.h"
#include "runtime/frame.h"
#include "runtime/library_loading.h"
#include "ui/control.h"

namespace quill {

namespace {

// The two entries of the reader library the objects need.
struct ReaderLibrary {
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    LresultFromObjectFn lresultFromObject = nullptr;
    ObjectFromWindowFn objectFromWindow = nullptr;
};

template <class Fn>
Fn Entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded on the first request and kept for the life of the process.
const ReaderLibrary& Library() {
    static const ReaderLibrary library = [] {
        ReaderLibrary l;
        if (HMODULE module = LoadSystemLibrary("oleacc.dll")) {
            l.lresultFromObject = Entry<ReaderLibrary::LresultFromObjectFn>(module, "LresultFromObject");
            l.objectFromWindow = Entry<ReaderLibrary::ObjectFromWindowFn>(module, "AccessibleObjectFromWindow");
        }
        return l;
    }();
    return library;
}

RECT WindowRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

HWND ParentOf(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : nullptr; }

// The child windows a reader is offered, from the top of the stacking order down.
std::vector<HWND> OfferedChildren(HWND hwnd) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (SeenByUser(c)) children.push_back(c);
    return children;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT OutText(const std::optional<std::string>& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!text || text->empty()) return S_FALSE;
    const std::wstring wide = ToWide(*text);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

IDispatch* ObjectOf(HWND hwnd, LONG objectId);

class ControlAccessible final : public IAccessible {
public:
    explicit ControlAccessible(HWND hwnd) : hwnd_(hwnd) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    // Readers use the interface directly, never through Invoke.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        // The client area's parent is the window around it, as for every system control.
        *parent = Live() ? ObjectOf(hwnd_, OBJID_WINDOW) : nullptr;
        return *parent ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (!Live()) return RPC_E_DISCONNECTED;
        *count = static_cast<long>(OfferedChildren(hwnd_).size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!Live()) return RPC_E_DISCONNECTED;
        const std::vector<HWND> children = OfferedChildren(hwnd_);
        if (child.vt != VT_I4 || child.lVal < 1 || static_cast<size_t>(child.lVal) > children.size())
            return E_INVALIDARG;
        *out = ObjectOf(children[static_cast<size_t>(child.lVal) - 1], OBJID_CLIENT);
        return *out ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        AccessibleFacts f;
        const HRESULT hr = Facts(child, &f);
        return hr == S_OK ? OutText(f.name, name) : hr;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        AccessibleFacts f;
        const HRESULT hr = Facts(child, &f);
        return hr == S_OK ? OutText(f.value, value) : hr;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return OutNumber(child, &AccessibleFacts::role, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return OutNumber(child, &AccessibleFacts::state, state);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override { return NoText(child, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!Live()) return RPC_E_DISCONNECTED;
        HWND focus = GetFocus();
        if (focus == hwnd_) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
            return S_OK;
        }
        if (!focus || !IsChild(hwnd_, focus)) return S_FALSE;
        // The child of this control that holds the focus or has it inside.
        while (ParentOf(focus) != hwnd_) focus = ParentOf(focus);
        return OutObject(focus, out);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        return S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (!IsSelf(child)) return E_INVALIDARG;
        if (!Live()) return RPC_E_DISCONNECTED;
        if (!(flags & SELFLAG_TAKEFOCUS)) return DISP_E_MEMBERNOTFOUND;
        if (!(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_TABSTOP) || !SeenByUser(hwnd_)) return S_FALSE;
        SetFocus(hwnd_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        if (!IsSelf(child)) return E_INVALIDARG;
        if (!Live()) return RPC_E_DISCONNECTED;
        const RECT r = WindowRectOf(hwnd_);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        end->vt = VT_EMPTY;
        if (!IsSelf(start)) return E_INVALIDARG;
        if (!Live()) return RPC_E_DISCONNECTED;
        std::vector<HWND> row;  // the windows to move among
        size_t at = 0;
        switch (direction) {
        case NAVDIR_FIRSTCHILD:
        case NAVDIR_LASTCHILD:
            row = OfferedChildren(hwnd_);
            if (row.empty()) return S_FALSE;
            return OutObject(direction == NAVDIR_FIRSTCHILD ? row.front() : row.back(), end);
        case NAVDIR_NEXT:
        case NAVDIR_PREVIOUS: {
            HWND parent = ParentOf(hwnd_);
            if (!parent) return S_FALSE;
            row = OfferedChildren(parent);
            while (at < row.size() && row[at] != hwnd_) ++at;
            if (at == row.size()) return S_FALSE;
            if (direction == NAVDIR_NEXT) return at + 1 < row.size() ? OutObject(row[at + 1], end) : S_FALSE;
            return at > 0 ? OutObject(row[at - 1], end) : S_FALSE;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;  // no spatial navigation
        }
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!out) return E_POINTER;
        out->vt = VT_EMPTY;
        if (!Live()) return RPC_E_DISCONNECTED;
        const POINT p{x, y};
        const RECT own = WindowRectOf(hwnd_);
        if (!PtInRect(&own, p)) return S_FALSE;
        for (HWND c : OfferedChildren(hwnd_)) {
            const RECT r = WindowRectOf(c);
            if (PtInRect(&r, p)) return OutObject(c, out);
        }
        out->vt = VT_I4;
        out->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        AccessibleFacts f;
        const HRESULT hr = Facts(child, &f);
        if (hr != S_OK) return hr;
        if (!f.pressable) return DISP_E_MEMBERNOTFOUND;
        PostMessageW(hwnd_, kMsgReaderPress, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    ~ControlAccessible() = default;

    // The control while its window lives; an object a reader still holds afterwards
    // answers that it is disconnected.
    Control* Live() const { return IsWindow(hwnd_) ? Control::FromHandle(hwnd_) : nullptr; }

    HRESULT Facts(const VARIANT& child, AccessibleFacts* f) const {
        if (!IsSelf(child)) return E_INVALIDARG;
        Control* control = Live();
        if (!control) return RPC_E_DISCONNECTED;
        control->Describe(f);
        if (!SeenByUser(hwnd_)) f->state |= STATE_SYSTEM_INVISIBLE;
        if (!IsWindowEnabled(hwnd_)) f->state |= STATE_SYSTEM_UNAVAILABLE;
        if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_TABSTOP) f->state |= STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == hwnd_) f->state |= STATE_SYSTEM_FOCUSED;
        return S_OK;
    }
    HRESULT NoText(const VARIANT& child, BSTR* out) const {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsSelf(child)) return E_INVALIDARG;
        return Live() ? S_FALSE : RPC_E_DISCONNECTED;
    }
    template <typename Field>
    HRESULT OutNumber(VARIANT child, Field AccessibleFacts::*field, VARIANT* out) const {
        if (!out) return E_POINTER;
        AccessibleFacts f;
        const HRESULT hr = Facts(child, &f);
        out->vt = hr == S_OK ? VT_I4 : VT_EMPTY;
        out->lVal = static_cast<LONG>(f.*field);
        return hr;
    }
    static HRESULT OutObject(HWND hwnd, VARIANT* out) {
        IDispatch* object = ObjectOf(hwnd, OBJID_CLIENT);
        if (!object) return S_FALSE;
        out->vt = VT_DISPATCH;
        out->pdispVal = object;
        return S_OK;
    }

    std::atomic<ULONG> refs_{1};
    const HWND hwnd_;
};

// The object of a window's part: ours for a control's client area, the system's for every
// other. Null when there is none.
IDispatch* ObjectOf(HWND hwnd, LONG objectId) {
    if (objectId == OBJID_CLIENT && Control::FromHandle(hwnd)) return new ControlAccessible(hwnd);
    IDispatch* object = nullptr;
    if (const auto fromWindow = Library().objectFromWindow)
        fromWindow(hwnd, static_cast<DWORD>(objectId), IID_IDispatch, reinterpret_cast<void**>(&object));
    return object;
}

struct ReaderNameCall {
    uint32_t windowId;
    uint32_t unitId;
    const std::string* name;
};

}  // namespace

bool AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (static_cast<LONG>(static_cast<DWORD>(lp)) != OBJID_CLIENT) return false;
    const auto lresultFromObject = Library().lresultFromObject;
    if (!lresultFromObject) return false;
    auto* object = new ControlAccessible(hwnd);
    *result = lresultFromObject(__uuidof(IAccessible), wp, object);
    object->Release();
    return true;
}

void DescribeLabel(HWND hwnd, const std::string& font, AccessibleFacts* facts) {
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_TABSTOP)) {
        facts->role = ROLE_SYSTEM_STATICTEXT;
        facts->state |= STATE_SYSTEM_READONLY;
        return;
    }
    // A stored font is a LOGFONT record: its underline flag follows the five 32-bit fields.
    constexpr size_t kUnderlineByte = 21;
    const bool underlined = font.size() == sizeof(LOGFONTA) && font[kUnderlineByte] != 0;
    facts->role = underlined ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_PUSHBUTTON;
    if (underlined) facts->state |= STATE_SYSTEM_LINKED;
    facts->pressable = true;
}

void NotifyReaders(DWORD event, HWND hwnd) { NotifyWinEvent(event, hwnd, OBJID_CLIENT, CHILDID_SELF); }

bool SeenByUser(HWND hwnd) {
    if (!IsWindowVisible(hwnd)) return false;
    RECT seen = WindowRectOf(hwnd);
    for (HWND w = hwnd, parent = ParentOf(w); parent; w = parent, parent = ParentOf(w)) {
        const RECT area = ClientOnScreen(parent);
        if (!IntersectRect(&seen, &seen, &area)) return false;
        for (HWND above = GetWindow(w, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
            // A transparent window (a label drawn straight over its container) hides nothing.
            if (!IsWindowVisible(above) || (GetWindowLongPtrW(above, GWL_EXSTYLE) & WS_EX_TRANSPARENT)) continue;
            if (Contains(WindowRectOf(above), seen)) return false;
        }
    }
    return !IsRectEmpty(&seen);
}

void SetReaderName(uint32_t windowId, uint32_t unitId, const std::string& name) {
    if (ProgramEnding()) return;
    ReaderNameCall call{windowId, unitId, &name};
    RunOnMainThread(
        [](void* context) {
            const auto* c = static_cast<ReaderNameCall*>(context);
            if (auto* control = dynamic_cast<Control*>(LookupUnit(c->windowId, c->unitId)))
                control->SetReaderName(*c->name);
        },
        &call);
}

}  // namespace quill
