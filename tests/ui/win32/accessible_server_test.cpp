// The accessibility server as a screen reader meets it: a window answers WM_GETOBJECT
// with the server over an element list the test controls, the test asks through
// AccessibleObjectFromWindow, then destroys the window and keeps asking. A
// message-only window needs no display.
#include <windows.h>
#include <initguid.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include "ui/win32/accessible_server.h"

namespace {

struct TestSource {
  std::vector<AccessibleElement> list;
  bool hasFocus = false;
  int32_t builds = 0;
  std::vector<int32_t> focused;   // codes given to the focus callback
  HWND edit = reinterpret_cast<HWND>(0x1234);
};
TestSource* gSource = nullptr;
constexpr UINT kInvoke = WM_APP + 7;

AccessibleSource sourceOf(TestSource& t) {
  AccessibleSource s;
  s.context = &t;
  s.build = [](void* c) {
    auto* t = static_cast<TestSource*>(c);
    t->builds++;
    return t->list;
  };
  s.focus = [](void* c, int32_t code) { static_cast<TestSource*>(c)->focused.push_back(code); };
  s.hasFocus = [](void* c) { return static_cast<TestSource*>(c)->hasFocus; };
  s.control = [](void* c, ChildControl child) {
    return child == ChildControl::SearchEdit ? static_cast<TestSource*>(c)->edit : nullptr;
  };
  s.invokeMessage = kInvoke;
  return s;
}

LRESULT CALLBACK testProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETOBJECT && static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT && gSource)
    return answerAccessibleObject(window, wParam, sourceOf(*gSource));
  return DefWindowProcW(window, message, wParam, lParam);
}

AccessibleElement element(ElementRef ref, AccessibleRole role, const char16_t* name, PixelRect rect, uint32_t state,
                          const char16_t* action = u"") {
  AccessibleElement e;
  e.code = elementCode(ref);
  e.role = role;
  e.name = name;
  e.rect = rect;
  e.state = state;
  e.defaultAction = action;
  return e;
}

// Children: 1 Up, 2 Standard scan (over Up's right part), 3 the status line, 4 a
// disabled Export. The search edit stands for a control and is no child.
std::vector<AccessibleElement> sampleList() {
  std::vector<AccessibleElement> list;
  list.push_back(element({ElementId::Up, -1}, AccessibleRole::PushButton, u"Up", {10, 10, 50, 30}, kStateFocusable, u"Press"));
  list.back().shortcut = u"Backspace";
  AccessibleElement edit = element({ElementId::SearchEdit, -1}, AccessibleRole::Text, u"Search names", {0, 100, 200, 120},
                                   kStateFocusable);
  edit.child = ChildControl::SearchEdit;
  list.push_back(edit);
  list.push_back(element({ElementId::StandardScan, -1}, AccessibleRole::RadioButton, u"Standard scan", {40, 20, 100, 40},
                         kStateFocusable | kStateChecked, u"Select"));
  list.back().group = kGroupScanMode;
  list.back().description = u"Directory walk";
  list.push_back(element({ElementId::ReadOnlyText, kStatusLineText}, AccessibleRole::StaticText, u"3 items", {0, 200, 300, 220}, 0));
  list.back().value = u"";
  list.push_back(element({ElementId::Export, -1}, AccessibleRole::PushButton, u"Export", {60, 10, 90, 18},
                         kStateUnavailable, u"Press"));
  return list;
}

VARIANT child(LONG id) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

std::wstring take(BSTR text) {
  std::wstring out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return out;
}

class AccessibleServer : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    source.list = sampleList();
    gSource = &source;
    WNDCLASSW c = {};
    c.lpfnWndProc = testProcedure;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"MossbloomAccessibleTest";
    RegisterClassW(&c);
    window = CreateWindowExW(0, c.lpszClassName, L"Test window", 0, 100, 50, 400, 300, HWND_MESSAGE, nullptr,
                             c.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&object)),
              S_OK);
    ASSERT_NE(object, nullptr);
  }
  void TearDown() override {
    if (object) object->Release();
    if (window && IsWindow(window)) DestroyWindow(window);
    gSource = nullptr;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    CoUninitialize();
  }

  HRESULT name(LONG id, std::wstring& out) {
    BSTR text = nullptr;
    HRESULT hr = object->get_accName(child(id), &text);
    out = take(text);
    return hr;
  }

  TestSource source;
  HWND window = nullptr;
  IAccessible* object = nullptr;
};

TEST_F(AccessibleServer, AnswersOnlyItsOwnInterfaces) {
  void* out = nullptr;
  for (REFIID iid : {IID_IUnknown, IID_IDispatch, IID_IAccessible}) {
    ASSERT_EQ(object->QueryInterface(iid, &out), S_OK);
    ASSERT_NE(out, nullptr);
    static_cast<IUnknown*>(out)->Release();
  }
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(object->QueryInterface(IID_IEnumVARIANT, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->QueryInterface(IID_IAccessible, nullptr), E_POINTER);

  UINT count = 7;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(object->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  EXPECT_EQ(object->put_accName(child(1), nullptr), E_NOTIMPL);
  EXPECT_EQ(object->put_accValue(child(1), nullptr), E_NOTIMPL);
}

TEST_F(AccessibleServer, ChildrenAreTheElementsWithoutAControlRebuiltAtEveryCall) {
  long count = 0;
  ASSERT_EQ(object->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 4);
  std::wstring text;
  EXPECT_EQ(name(CHILDID_SELF, text), S_OK);
  EXPECT_EQ(text, L"Test window");
  const wchar_t* names[] = {L"Up", L"Standard scan", L"3 items", L"Export"};
  for (LONG i = 1; i <= 4; i++) {
    EXPECT_EQ(name(i, text), S_OK);
    EXPECT_EQ(text, names[i - 1]);
  }
  source.list.pop_back();
  ASSERT_EQ(object->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(name(4, text), E_INVALIDARG);
}

TEST_F(AccessibleServer, StringsRolesAndStates) {
  BSTR text = nullptr;
  EXPECT_EQ(object->get_accKeyboardShortcut(child(1), &text), S_OK);
  EXPECT_EQ(take(text), L"Backspace");
  text = nullptr;
  EXPECT_EQ(object->get_accDescription(child(2), &text), S_OK);
  EXPECT_EQ(take(text), L"Directory walk");
  text = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(object->get_accValue(child(3), &text), S_FALSE);   // empty: none
  EXPECT_EQ(text, nullptr);
  text = nullptr;
  EXPECT_EQ(object->get_accDefaultAction(child(1), &text), S_OK);
  EXPECT_EQ(take(text), L"Press");
  text = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(object->get_accDescription(child(CHILDID_SELF), &text), S_FALSE);   // the window has only a name
  EXPECT_EQ(text, nullptr);

  VARIANT v;
  ASSERT_EQ(object->get_accRole(child(CHILDID_SELF), &v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, ROLE_SYSTEM_CLIENT);
  ASSERT_EQ(object->get_accRole(child(2), &v), S_OK);
  EXPECT_EQ(v.lVal, ROLE_SYSTEM_RADIOBUTTON);
  ASSERT_EQ(object->get_accState(child(4), &v), S_OK);
  EXPECT_EQ(v.lVal, STATE_SYSTEM_UNAVAILABLE);
  ASSERT_EQ(object->get_accState(child(CHILDID_SELF), &v), S_OK);
  EXPECT_EQ(v.lVal, STATE_SYSTEM_FOCUSABLE);
  source.hasFocus = true;
  ASSERT_EQ(object->get_accState(child(CHILDID_SELF), &v), S_OK);
  EXPECT_EQ(v.lVal, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  source.list[2].state |= kStateFocused;   // an element carries the focus: the window does not
  ASSERT_EQ(object->get_accState(child(CHILDID_SELF), &v), S_OK);
  EXPECT_EQ(v.lVal, STATE_SYSTEM_FOCUSABLE);

  BSTR help = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(object->get_accHelp(child(1), &help), S_FALSE);
  EXPECT_EQ(help, nullptr);
  long topic = 5;
  help = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(object->get_accHelpTopic(&help, child(1), &topic), S_FALSE);
  EXPECT_EQ(help, nullptr);
  EXPECT_EQ(topic, 0);
  VARIANT selection;
  EXPECT_EQ(object->get_accSelection(&selection), S_FALSE);
  EXPECT_EQ(selection.vt, VT_EMPTY);
}

TEST_F(AccessibleServer, RejectsChildIdsOutsideTheListAndVariantsNotI4) {
  VARIANT notI4;
  VariantInit(&notI4);
  notI4.vt = VT_BSTR;
  notI4.bstrVal = nullptr;
  VARIANT empty;
  VariantInit(&empty);
  for (const VARIANT& bad : {child(5), child(-2), child(1000), notI4, empty}) {
    BSTR text = nullptr;
    VARIANT v;
    long l = 0;
    EXPECT_EQ(object->get_accName(bad, &text), E_INVALIDARG);
    EXPECT_EQ(object->get_accValue(bad, &text), E_INVALIDARG);
    EXPECT_EQ(object->get_accRole(bad, &v), E_INVALIDARG);
    EXPECT_EQ(object->get_accState(bad, &v), E_INVALIDARG);
    EXPECT_EQ(object->accLocation(&l, &l, &l, &l, bad), E_INVALIDARG);
    EXPECT_EQ(object->accDoDefaultAction(bad), E_INVALIDARG);
    EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, bad), E_INVALIDARG);
    EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, bad, &v), E_INVALIDARG);
  }
  IDispatch* d = reinterpret_cast<IDispatch*>(1);
  EXPECT_EQ(object->get_accChild(child(CHILDID_SELF), &d), E_INVALIDARG);
  EXPECT_EQ(object->get_accChild(child(2), &d), S_FALSE);   // simple elements, no objects
  EXPECT_EQ(d, nullptr);
}

TEST_F(AccessibleServer, LocationsAreOnTheScreen) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  long left, top, width, height;
  ASSERT_EQ(object->accLocation(&left, &top, &width, &height, child(2)), S_OK);
  EXPECT_EQ(left, origin.x + 40);
  EXPECT_EQ(top, origin.y + 20);
  EXPECT_EQ(width, 60);
  EXPECT_EQ(height, 20);
  RECT client;
  GetClientRect(window, &client);
  ASSERT_EQ(object->accLocation(&left, &top, &width, &height, child(CHILDID_SELF)), S_OK);
  EXPECT_EQ(left, origin.x);
  EXPECT_EQ(width, client.right);
  EXPECT_EQ(height, client.bottom);
}

TEST_F(AccessibleServer, NavigatesBetweenNeighboursAndFromTheWindowToTheEnds) {
  const struct {
    long direction;
    LONG start;
    HRESULT hr;
    LONG to;
  } cases[] = {
      {NAVDIR_NEXT, 1, S_OK, 2},          {NAVDIR_DOWN, 2, S_OK, 3},          {NAVDIR_RIGHT, 3, S_OK, 4},
      {NAVDIR_NEXT, 4, S_FALSE, 0},       {NAVDIR_PREVIOUS, 2, S_OK, 1},      {NAVDIR_UP, 3, S_OK, 2},
      {NAVDIR_LEFT, 1, S_FALSE, 0},       {NAVDIR_FIRSTCHILD, CHILDID_SELF, S_OK, 1},
      {NAVDIR_LASTCHILD, CHILDID_SELF, S_OK, 4},                              {NAVDIR_NEXT, CHILDID_SELF, S_FALSE, 0},
      {NAVDIR_FIRSTCHILD, 2, S_FALSE, 0}, {0, 1, E_INVALIDARG, 0},            {9, CHILDID_SELF, E_INVALIDARG, 0},
  };
  for (const auto& c : cases) {
    VARIANT end;
    HRESULT hr = object->accNavigate(c.direction, child(c.start), &end);
    EXPECT_EQ(hr, c.hr) << "direction " << c.direction << " from " << c.start;
    if (c.hr == S_OK) {
      EXPECT_EQ(end.vt, VT_I4);
      EXPECT_EQ(end.lVal, c.to) << "direction " << c.direction << " from " << c.start;
    } else {
      EXPECT_EQ(end.vt, VT_EMPTY);
    }
  }
}

TEST_F(AccessibleServer, HitTestFindsTheLastChildUnderThePoint) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const struct {
    long x, y;
    HRESULT hr;
    LONG child;
  } cases[] = {
      {15, 15, S_OK, 1},              // Up alone
      {45, 25, S_OK, 2},              // Up and Standard scan: the later one
      {100, 25, S_OK, CHILDID_SELF},  // right edge is outside
      {50, 110, S_OK, CHILDID_SELF},  // the edit is no child
      {65, 12, S_OK, 4},              // a disabled element is still there
      {-1, 10, S_FALSE, 0},           // outside the client area
      {400, 10, S_FALSE, 0},
  };
  for (const auto& c : cases) {
    VARIANT hit;
    EXPECT_EQ(object->accHitTest(origin.x + c.x, origin.y + c.y, &hit), c.hr) << c.x << "," << c.y;
    if (c.hr == S_OK) EXPECT_EQ(hit.lVal, c.child) << c.x << "," << c.y;
    else EXPECT_EQ(hit.vt, VT_EMPTY);
  }
}

TEST_F(AccessibleServer, DefaultActionsArePostedNotRunInsideTheCall) {
  MSG m;
  while (PeekMessageW(&m, window, kInvoke, kInvoke, PM_REMOVE)) {
  }
  EXPECT_EQ(object->accDoDefaultAction(child(1)), S_OK);
  ASSERT_TRUE(PeekMessageW(&m, window, kInvoke, kInvoke, PM_REMOVE));
  EXPECT_EQ(m.wParam, static_cast<WPARAM>(elementCode({ElementId::Up, -1})));
  EXPECT_EQ(object->accDoDefaultAction(child(3)), DISP_E_MEMBERNOTFOUND);   // no action
  EXPECT_EQ(object->accDoDefaultAction(child(4)), DISP_E_MEMBERNOTFOUND);   // unavailable
  EXPECT_EQ(object->accDoDefaultAction(child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
  EXPECT_FALSE(PeekMessageW(&m, window, kInvoke, kInvoke, PM_REMOVE));
}

TEST_F(AccessibleServer, SelectTakesTheFocusOnly) {
  EXPECT_EQ(object->accSelect(SELFLAG_TAKESELECTION, child(2)), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, child(2)), S_OK);
  EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, child(CHILDID_SELF)), S_OK);
  EXPECT_EQ(source.focused, (std::vector<int32_t>{elementCode({ElementId::StandardScan, -1}), 0}));
}

TEST_F(AccessibleServer, FocusIsTheFocusedChildTheWindowOrNothing) {
  VARIANT focus;
  EXPECT_EQ(object->get_accFocus(&focus), S_FALSE);
  EXPECT_EQ(focus.vt, VT_EMPTY);
  source.hasFocus = true;
  ASSERT_EQ(object->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.vt, VT_I4);
  EXPECT_EQ(focus.lVal, CHILDID_SELF);
  source.list[2].state |= kStateFocused;
  ASSERT_EQ(object->get_accFocus(&focus), S_OK);
  EXPECT_EQ(focus.lVal, 2);
}

TEST_F(AccessibleServer, EventsNameTheChildNumberOrTheControl) {
  AccessibleSource s = sourceOf(source);
  const struct {
    int32_t code;
    HWND window;
    LONG child;
  } cases[] = {
      {elementCode({ElementId::Up, -1}), window, 1},
      {elementCode({ElementId::ReadOnlyText, kStatusLineText}), window, 3},   // after the edit: counted without it
      {elementCode({ElementId::SearchEdit, -1}), source.edit, CHILDID_SELF},
      {elementCode({ElementId::Map, 0}), window, CHILDID_SELF},               // not listed
      {0, window, CHILDID_SELF},
  };
  for (const auto& c : cases) {
    AccessibleEventTarget target = accessibleEventTarget(window, s, source.list, c.code);
    EXPECT_EQ(target.window, c.window) << c.code;
    EXPECT_EQ(target.child, c.child) << c.code;
  }
}

TEST_F(AccessibleServer, AHeldObjectAnswersDisconnectedOnceTheWindowIsGone) {
  ASSERT_TRUE(DestroyWindow(window));
  const int32_t builds = source.builds;
  gSource = nullptr;
  long count = 0, l = 0;
  BSTR text = nullptr;
  VARIANT v;
  IDispatch* d = nullptr;
  UINT n = 0;
  EXPECT_EQ(object->get_accChildCount(&count), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->get_accName(child(1), &text), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->get_accName(child(CHILDID_SELF), &text), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->get_accState(child(1), &v), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->get_accParent(&d), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->get_accFocus(&v), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->accLocation(&l, &l, &l, &l, child(1)), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->accHitTest(0, 0, &v), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->accNavigate(NAVDIR_NEXT, child(1), &v), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->accDoDefaultAction(child(1)), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->accSelect(SELFLAG_TAKEFOCUS, child(1)), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->GetTypeInfoCount(&n), RPC_E_DISCONNECTED);
  EXPECT_EQ(object->put_accName(child(1), nullptr), RPC_E_DISCONNECTED);
  EXPECT_EQ(source.builds, builds);   // nothing of the window was touched
  EXPECT_TRUE(source.focused.empty());
  object->Release();   // the last reference goes without a window
  object = nullptr;
  window = nullptr;
}

TEST_F(AccessibleServer, TheParentIsTheWindowObject) {
  IDispatch* parent = nullptr;
  EXPECT_EQ(object->get_accParent(&parent), S_OK);
  if (parent) parent->Release();
}

}  // namespace
