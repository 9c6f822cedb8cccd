// The IAccessible object behind WM_GETOBJECT, the WinEvent targets and the names
// of real controls. Each call checks that the window still exists, rebuilds the
// element list and answers from it; nothing is cached between calls, so a screen
// reader never sees a state older than the call.
//
// Threading: the window thread (see the header).
#include "ui/win32/accessible_server.h"

// The interface and property ids of oleacc.h defined here: the import library's are the
// DLL's data exports, which a plain reference would take for code.
#include <initguid.h>
#include <oleacc.h>
#include <new>
#include <string>

namespace {

BSTR bstrOf(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

// A string answer: empty means "none" (S_FALSE and no string).
HRESULT stringAnswer(std::u16string_view text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = bstrOf(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

class AccessibleClient final : public IAccessible {
 public:
  AccessibleClient(HWND window, const AccessibleSource& source)
      : window_(window), thread_(GetWindowThreadProcessId(window, nullptr)), source_(source) {}

  // IUnknown: answered even after the window is gone, so that proxies can let go.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: no type information; clients use the IAccessible methods directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return disconnectedOr(E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return disconnectedOr(E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return disconnectedOr(E_NOTIMPL);
  }

  // IAccessible.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                      reinterpret_cast<void**>(parent));
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (!count) return E_POINTER;
    *count = static_cast<long>(children_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (out) *out = nullptr;
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!out) return E_POINTER;
    // Children are simple elements, never objects of their own.
    return e ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
    if (out) *out = nullptr;
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (e) return stringAnswer(e->name, out);
    wchar_t title[512] = {};
    int length = GetWindowTextW(window_, title, 512);
    return stringAnswer(std::u16string_view(reinterpret_cast<const char16_t*>(title), static_cast<size_t>(length)), out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
    return childString(child, out, &AccessibleElement::value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
    return childString(child, out, &AccessibleElement::description);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
    return childString(child, out, &AccessibleElement::defaultAction);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    return childString(child, out, &AccessibleElement::shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role) VariantInit(role);
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!role) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = e ? static_cast<LONG>(e->role) : ROLE_SYSTEM_CLIENT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (state) VariantInit(state);
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!state) return E_POINTER;
    state->vt = VT_I4;
    if (e) {
      state->lVal = static_cast<LONG>(e->state);
    } else {
      state->lVal = STATE_SYSTEM_FOCUSABLE;
      if (windowHasFocus() && focusedChild() == 0) state->lVal |= STATE_SYSTEM_FOCUSED;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    if (help) *help = nullptr;
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    return help ? S_FALSE : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    return file && topic ? S_FALSE : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (focus) VariantInit(focus);
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (!focus) return E_POINTER;
    HWND owner = GetFocus();
    bool ours = windowHasFocus() || (owner && IsChild(window_, owner));
    if (!ours) return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = focusedChild();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (selection) VariantInit(selection);
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    return selection ? S_FALSE : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!(flags & SELFLAG_TAKEFOCUS)) return DISP_E_MEMBERNOTFOUND;
    if (source_.focus) source_.focus(source_.context, e ? e->code : 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!left || !top || !width || !height) return E_POINTER;
    RECT r;
    if (e) {
      r = {e->rect.left, e->rect.top, e->rect.right, e->rect.bottom};
    } else if (!GetClientRect(window_, &r)) {
      return E_FAIL;
    }
    POINT origin = {0, 0};
    ClientToScreen(window_, &origin);
    *left = r.left + origin.x;
    *top = r.top + origin.y;
    *width = r.right - r.left;
    *height = r.bottom - r.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (end) VariantInit(end);
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(start, e); bad != S_OK) return bad;
    if (direction < NAVDIR_UP || direction > NAVDIR_LASTCHILD) return E_INVALIDARG;
    if (!end) return E_POINTER;
    const long count = static_cast<long>(children_.size());
    long to = 0;
    if (e) {
      switch (direction) {
        case NAVDIR_DOWN:
        case NAVDIR_RIGHT:
        case NAVDIR_NEXT: to = start.lVal + 1; break;
        case NAVDIR_UP:
        case NAVDIR_LEFT:
        case NAVDIR_PREVIOUS: to = start.lVal - 1; break;
        default: break;
      }
    } else if (direction == NAVDIR_FIRSTCHILD) {
      to = 1;
    } else if (direction == NAVDIR_LASTCHILD) {
      to = count;
    }
    if (to < 1 || to > count) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (hit) VariantInit(hit);
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (!hit) return E_POINTER;
    POINT p = {x, y};
    RECT client;
    if (!ScreenToClient(window_, &p) || !GetClientRect(window_, &client) || !PtInRect(&client, p)) return S_FALSE;
    hit->vt = VT_I4;
    hit->lVal = CHILDID_SELF;
    // The last child wins: later elements are drawn over earlier ones.
    for (size_t i = children_.size(); i-- > 0;) {
      const PixelRect& r = list_[children_[i]].rect;
      if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
        hit->lVal = static_cast<LONG>(i + 1);
        break;
      }
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    if (!e || e->defaultAction.empty() || (e->state & STATE_SYSTEM_UNAVAILABLE)) return DISP_E_MEMBERNOTFOUND;
    // Posted, not run here: the command may show a menu or a dialog, which must not
    // happen inside a screen reader's call.
    if (!PostMessageW(window_, source_.invokeMessage, static_cast<WPARAM>(e->code), 0)) return E_FAIL;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return disconnectedOr(E_NOTIMPL); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return disconnectedOr(E_NOTIMPL); }

 private:
  ~AccessibleClient() = default;

  bool windowExists() const {
    // A handle of a destroyed window may be given to a new one; the thread tells them apart.
    return IsWindow(window_) && GetWindowThreadProcessId(window_, nullptr) == thread_;
  }

  HRESULT disconnectedOr(HRESULT answer) const { return windowExists() ? answer : RPC_E_DISCONNECTED; }

  HRESULT refresh() {
    if (!windowExists()) return RPC_E_DISCONNECTED;
    list_ = source_.build ? source_.build(source_.context) : std::vector<AccessibleElement>();
    children_ = accessibleChildren(list_);
    return S_OK;
  }

  // The element a child id names (null for the window itself), after a refresh.
  HRESULT pick(const VARIANT& child, const AccessibleElement*& e) {
    e = nullptr;
    if (HRESULT gone = refresh(); gone != S_OK) return gone;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    if (child.lVal < 1 || child.lVal > static_cast<LONG>(children_.size())) return E_INVALIDARG;
    e = &list_[children_[child.lVal - 1]];
    return S_OK;
  }

  HRESULT childString(const VARIANT& child, BSTR* out, std::u16string AccessibleElement::*field) {
    if (out) *out = nullptr;
    const AccessibleElement* e = nullptr;
    if (HRESULT bad = pick(child, e); bad != S_OK) return bad;
    return stringAnswer(e ? std::u16string_view(e->*field) : std::u16string_view(), out);
  }

  bool windowHasFocus() const {
    return source_.hasFocus ? source_.hasFocus(source_.context) : GetFocus() == window_;
  }

  // The child number carrying the focus state, or CHILDID_SELF.
  LONG focusedChild() const {
    for (size_t i = 0; i < children_.size(); i++)
      if (list_[children_[i]].state & STATE_SYSTEM_FOCUSED) return static_cast<LONG>(i + 1);
    return CHILDID_SELF;
  }

  LONG references_ = 1;
  HWND window_;
  DWORD thread_;
  AccessibleSource source_;
  std::vector<AccessibleElement> list_;
  std::vector<int32_t> children_;
};

}  // namespace

std::vector<int32_t> accessibleChildren(const std::vector<AccessibleElement>& list) {
  std::vector<int32_t> children;
  children.reserve(list.size());
  for (size_t i = 0; i < list.size(); i++)
    if (list[i].child == ChildControl::None) children.push_back(static_cast<int32_t>(i));
  return children;
}

LRESULT answerAccessibleObject(HWND window, WPARAM wParam, const AccessibleSource& source) {
  auto* object = new (std::nothrow) AccessibleClient(window, source);
  if (!object) return 0;
  LRESULT answer = LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(object));
  object->Release();   // the caller holds its own reference now, or none on failure
  return answer;
}

AccessibleEventTarget accessibleEventTarget(HWND window, const AccessibleSource& source,
                                            const std::vector<AccessibleElement>& list, int32_t code) {
  int32_t at = code > 0 ? findElement(list, code) : -1;
  if (at < 0) return {window, CHILDID_SELF};
  if (list[at].child != ChildControl::None) {
    HWND control = source.control ? source.control(source.context, list[at].child) : nullptr;
    return {control ? control : window, CHILDID_SELF};
  }
  std::vector<int32_t> children = accessibleChildren(list);
  for (size_t i = 0; i < children.size(); i++)
    if (children[i] == at) return {window, static_cast<LONG>(i + 1)};
  return {window, CHILDID_SELF};
}

void raiseAccessibleEvent(HWND window, const AccessibleSource& source, DWORD event, int32_t code) {
  std::vector<AccessibleElement> list = source.build ? source.build(source.context) : std::vector<AccessibleElement>();
  AccessibleEventTarget target = accessibleEventTarget(window, source, list, code);
  NotifyWinEvent(event, target.window, OBJID_CLIENT, target.child);
}

bool setControlAccessibleName(HWND control, std::u16string_view name, std::u16string_view description) {
  IAccPropServices* services = nullptr;
  if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                              reinterpret_cast<void**>(&services))) ||
      !services)
    return false;
  std::wstring text(name.begin(), name.end());
  bool named = SUCCEEDED(services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                  PROPID_ACC_NAME, text.c_str()));
  if (!description.empty()) {
    std::wstring detail(description.begin(), description.end());
    named = SUCCEEDED(services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                               PROPID_ACC_DESCRIPTION, detail.c_str())) && named;
  }
  services->Release();
  return named;
}
