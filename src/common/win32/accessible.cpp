#include "common/win32/accessible.h"

#include <atomic>

#include "common/win32/unique.h"
#include "common/win32/wide.h"

namespace {

// The apartment the objects live in stays as long as the thread: a tool's proxy calls
// back into it long after the message that handed the object out.
void KeepComForThisThread() {
    thread_local const ComScope com;
}

HRESULT ReturnText(const std::string& text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    const std::wstring wide = Widen(text);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsChildId(const VARIANT& v) { return v.vt == VT_I4; }

}  // namespace

// The client area's object: parts as simple elements (child ids 1..n), the rest
// handed to the system's object for the window.
class AccessibleObject final : public IAccessible {
public:
    AccessibleObject(HWND hwnd, AccessibleSource& source, IAccessible* standard)
        : hwnd_(hwnd), source_(&source), standard_(standard) {}
    void Disconnect() {
        source_ = nullptr;
        if (standard_) standard_->Release();
        standard_ = nullptr;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
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
        if (left == 0) {
            Disconnect();
            delete this;
        }
        return left;
    }

    // IDispatch: tools call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!count) return E_POINTER;
        const size_t parts = source_->AccessibleParts().size();
        if (parts == 0) return standard_->get_accChildCount(count);
        *count = static_cast<long>(parts);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!out) return E_POINTER;
        *out = nullptr;
        if (Part(child)) return S_FALSE;  // a simple element: asked of this object by its id
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (const auto part = Part(child)) return ReturnText(part->name, name);
        if (IsSelf(child))
            if (const auto own = source_->AccessibleName()) return ReturnText(*own, name);
        return standard_->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (const auto part = Part(child)) return ReturnText(part->value, value);
        if (IsSelf(child))
            if (const auto own = source_->AccessibleValue()) return ReturnText(*own, value);
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (Part(child)) {
            if (text) *text = nullptr;
            return S_FALSE;
        }
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!role) return E_POINTER;
        std::optional<long> value;
        if (Part(child))
            value = source_->PartRole();
        else if (IsSelf(child))
            value = source_->AccessibleRole();
        if (!value) return standard_->get_accRole(child, role);
        role->vt = VT_I4;
        role->lVal = *value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!state) return E_POINTER;
        if (!Part(child)) return standard_->get_accState(child, state);
        long bits = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_READONLY;
        if (source_->FocusedPart() == static_cast<size_t>(child.lVal - 1)) {
            bits |= STATE_SYSTEM_SELECTED;
            if (GetFocus() == hwnd_) bits |= STATE_SYSTEM_FOCUSED;
        }
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (help) *help = nullptr;
        return Part(child) ? S_FALSE : standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (keys) *keys = nullptr;
        return Part(child) ? S_FALSE : standard_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!focus) return E_POINTER;
        const auto part = source_->FocusedPart();
        if (GetFocus() != hwnd_ || !part || *part >= source_->AccessibleParts().size())
            return standard_->get_accFocus(focus);
        focus->vt = VT_I4;
        focus->lVal = static_cast<long>(*part + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!selection) return E_POINTER;
        const auto part = source_->FocusedPart();
        if (!part || *part >= source_->AccessibleParts().size()) return standard_->get_accSelection(selection);
        selection->vt = VT_I4;
        selection->lVal = static_cast<long>(*part + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (Part(child)) return ReturnText("Open details", action);
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        const auto part = Part(child);
        if (!part) return standard_->accLocation(left, top, width, height, child);
        if (!left || !top || !width || !height) return E_POINTER;
        POINT corner{part->rect.left, part->rect.top};
        ClientToScreen(hwnd_, &corner);
        *left = corner.x;
        *top = corner.y;
        *width = part->rect.right - part->rect.left;
        *height = part->rect.bottom - part->rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!end) return E_POINTER;
        const long count = static_cast<long>(source_->AccessibleParts().size());
        if (count == 0 || !IsChildId(start)) return standard_->accNavigate(direction, start, end);
        long to = 0;
        if (start.lVal == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) to = 1;
            else if (direction == NAVDIR_LASTCHILD) to = count;
            else return standard_->accNavigate(direction, start, end);
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) {
            to = start.lVal + 1;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT) {
            to = start.lVal - 1;
        }
        if (to < 1 || to > count) {
            end->vt = VT_EMPTY;
            return S_FALSE;
        }
        end->vt = VT_I4;
        end->lVal = to;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (!hit) return E_POINTER;
        POINT at{x, y};
        ScreenToClient(hwnd_, &at);
        const std::vector<AccessiblePart> parts = source_->AccessibleParts();
        for (size_t i = parts.size(); i-- > 0;) {
            if (PtInRect(&parts[i].rect, at)) {
                hit->vt = VT_I4;
                hit->lVal = static_cast<long>(i + 1);
                return S_OK;
            }
        }
        return standard_->accHitTest(x, y, hit);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!source_) return CO_E_OBJNOTCONNECTED;
        if (Part(child)) return source_->OpenPart(static_cast<size_t>(child.lVal - 1)) ? S_OK : DISP_E_MEMBERNOTFOUND;
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleObject() = default;
    static bool IsSelf(const VARIANT& child) { return IsChildId(child) && child.lVal == CHILDID_SELF; }
    // The part a child id names; none for the control itself or an id out of range.
    std::optional<AccessiblePart> Part(const VARIANT& child) const {
        if (!IsChildId(child) || child.lVal <= 0) return std::nullopt;
        std::vector<AccessiblePart> parts = source_->AccessibleParts();
        if (static_cast<size_t>(child.lVal) > parts.size()) return std::nullopt;
        return std::move(parts[static_cast<size_t>(child.lVal - 1)]);
    }

    HWND hwnd_;
    AccessibleSource* source_;
    IAccessible* standard_;
    std::atomic<ULONG> refs_{1};
};

AccessibleBridge::~AccessibleBridge() {
    if (!object_) return;
    object_->Disconnect();
    CoDisconnectObject(static_cast<IAccessible*>(object_), 0);
    object_->Release();
}

std::optional<LRESULT> AccessibleBridge::Answer(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleSource& source) {
    if (static_cast<long>(lp) != static_cast<long>(OBJID_CLIENT)) return std::nullopt;
    KeepComForThisThread();
    if (!object_) {
        IAccessible* standard = nullptr;
        if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&standard))) ||
            !standard)
            return std::nullopt;
        object_ = new AccessibleObject(hwnd, source, standard);
    }
    const LRESULT answer = LresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(object_));
    if (FAILED(answer)) return std::nullopt;
    return answer;
}
