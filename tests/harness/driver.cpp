// The window test driver: a Windows console program started once per group of
// checks (under Wine, in the test prefix, with its own X display). A script
// sends it one command per line on stdin, fields separated by tabs, and reads
// one answer line per command: "ok" with tab-separated values, or "error" with
// a reason. tests/harness/mbwin.py is the script side; docs/window-testing.md
// lists the commands.
//
// It launches one program at a time, finds its window by class and process id,
// sends input, waits on properties the program publishes (never on a fixed
// sleep: it polls the property until a deadline), captures the client area from
// the screen DC and saves it as PNG.
//
// Threading: one thread; every command runs to completion before the next is read.
#include "tests/harness/png_write.h"
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>
#include <shellapi.h>
// The interface ids of oleacc.h defined here: the import library's are the DLL's data
// exports, which a plain reference would take for code.
#include <initguid.h>
#include <oleacc.h>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Target {
  HANDLE process = nullptr;
  DWORD processId = 0;
  HWND window = nullptr;
};
Target gTarget;

// --- Text ------------------------------------------------------------------------
std::wstring wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// Tabs and line breaks in answers would break the protocol.
std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

long long number(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 0); }

// --- Answers ------------------------------------------------------------------------
void writeOut(const std::string& line) {
  std::string data = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
}

struct Answer {
  bool ok = true;
  std::vector<std::string> values;
};
Answer ok(std::vector<std::string> values = {}) { return {true, std::move(values)}; }
Answer error(const std::string& reason) { return {false, {reason}}; }

// --- Waiting -------------------------------------------------------------------------
// Polls `done` every millisecond or two until it holds or `timeoutMs` passed.
template <typename Condition>
bool waitFor(long long timeoutMs, Condition done) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(1);
  }
}

bool processExited(DWORD* code = nullptr) {
  if (!gTarget.process) return true;
  DWORD c = 0;
  if (!GetExitCodeProcess(gTarget.process, &c) || c == STILL_ACTIVE) return false;
  if (code) *code = c;
  return true;
}

// --- Windows of the target process -----------------------------------------------------
struct WindowSearch {
  DWORD processId;
  std::wstring className;
  HWND found = nullptr;
  int count = 0;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId) return TRUE;
  wchar_t name[256];
  if (!GetClassNameW(window, name, 256) || search->className != name) return TRUE;
  if (!search->found) search->found = window;
  search->count++;
  return TRUE;
}

WindowSearch findWindows(const std::wstring& className) {
  WindowSearch search{gTarget.processId, className};
  EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
  return search;
}

// --- Launching --------------------------------------------------------------------------
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      backslashes++;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

void forgetTarget() {
  if (gTarget.process) CloseHandle(gTarget.process);
  gTarget = {};
}

Answer startProcess(const std::vector<std::string>& f, size_t firstArgument) {
  if (gTarget.process && !processExited()) return error("a program is still running; close it first");
  forgetTarget();
  std::wstring exe = wide(f[firstArgument]);
  std::wstring commandLine = quoted(exe);
  for (size_t i = firstArgument + 1; i < f.size(); i++) commandLine += L" " + quoted(wide(f[i]));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return error("CreateProcessW failed: " + std::to_string(GetLastError()));
  CloseHandle(info.hThread);
  gTarget.process = info.hProcess;
  gTarget.processId = info.dwProcessId;
  return ok({std::to_string(info.dwProcessId)});
}

Answer findWindow(long long timeoutMs, const std::wstring& className) {
  HWND found = nullptr;
  DWORD code = 0;
  bool exited = false;
  waitFor(timeoutMs, [&] {
    found = findWindows(className).found;
    exited = !found && processExited(&code);
    return found || exited;
  });
  if (exited) return error("the program ended with exit code " + std::to_string(code) + " before its window appeared");
  if (!found) return error("no window of class " + narrow(className) + " appeared");
  gTarget.window = found;
  return ok({std::to_string(reinterpret_cast<uintptr_t>(found)), std::to_string(gTarget.processId)});
}

// --- Properties -------------------------------------------------------------------------
long long property(const std::string& name) {
  return static_cast<long long>(reinterpret_cast<intptr_t>(GetPropW(gTarget.window, wide(name).c_str())));
}

bool compare(long long value, const std::string& op, long long expected) {
  if (op == "gt") return value > expected;
  if (op == "ge") return value >= expected;
  if (op == "eq") return value == expected;
  if (op == "ne") return value != expected;
  if (op == "lt") return value < expected;
  return false;
}

Answer waitProperty(const std::string& name, const std::string& op, long long expected, long long timeoutMs) {
  long long value = 0;
  bool exited = false;
  bool met = waitFor(timeoutMs, [&] {
    value = property(name);
    exited = !IsWindow(gTarget.window);
    return compare(value, op, expected) || exited;
  });
  if (exited) return error("the window is gone");
  if (!met) return error("timeout: " + name + " is " + std::to_string(value) + ", wanted " + op + " " + std::to_string(expected));
  return ok({std::to_string(value)});
}

// --- Capture -------------------------------------------------------------------------------
bool writeFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool done = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return done;
}

// The screen's pixels in a rectangle, read from the screen DC: what a person sees.
bool captureScreen(const RECT& r, std::vector<uint32_t>& pixels) {
  int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;   // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool done = false;
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    done = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
    GdiFlush();
    if (done) {
      const uint32_t* source = static_cast<const uint32_t*>(bits);
      pixels.assign(source, source + static_cast<size_t>(width) * height);
      for (uint32_t& p : pixels) p &= 0xFFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return done;
}

Answer capture(const std::string& path, bool wholeScreen) {
  RECT r;
  if (wholeScreen) {
    r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  } else {
    if (!GetClientRect(gTarget.window, &r)) return error("no window");
    POINT origin = {0, 0};
    ClientToScreen(gTarget.window, &origin);
    OffsetRect(&r, origin.x, origin.y);
  }
  std::vector<uint32_t> pixels;
  if (!captureScreen(r, pixels)) return error("empty client area or BitBlt failed");
  uint32_t width = static_cast<uint32_t>(r.right - r.left), height = static_cast<uint32_t>(r.bottom - r.top);
  if (!writeFileBytes(wide(path), encodePng(pixels.data(), width, height))) return error("cannot write " + path);
  return ok({std::to_string(width), std::to_string(height)});
}

// --- Input ----------------------------------------------------------------------------------
bool bringToForeground() {
  if (GetForegroundWindow() == gTarget.window) return true;
  SetForegroundWindow(gTarget.window);
  return waitFor(2000, [] { return GetForegroundWindow() == gTarget.window; });
}

POINT screenPoint(long long x, long long y) {
  POINT p = {static_cast<LONG>(x), static_cast<LONG>(y)};
  ClientToScreen(gTarget.window, &p);
  return p;
}

void sendMouse(POINT p, DWORD flags) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  // Rounded up: rounding down lands one pixel short.
  input.mi.dx = static_cast<LONG>((static_cast<long long>(p.x) * 65536 + w - 1) / w);
  input.mi.dy = static_cast<LONG>((static_cast<long long>(p.y) * 65536 + h - 1) / h);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
}

void sendKey(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

// --- Registry -----------------------------------------------------------------------------------
HKEY hive(const std::string& name) { return name == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

Answer registry(const std::vector<std::string>& f) {
  const std::string& verb = f[0];
  if (f.size() < 4) return error("usage: " + verb + " HKCU|HKLM key name [value]");
  std::wstring key = wide(f[2]), name = wide(f[3]);
  if (verb == "reg-get-dword") {
    DWORD value = 0, size = sizeof value;
    LSTATUS status = RegGetValueW(hive(f[1]), key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS ? ok({std::to_string(value)}) : ok({"missing"});
  }
  HKEY handle;
  if (RegCreateKeyExW(hive(f[1]), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return error("cannot open the key");
  LSTATUS status;
  if (verb == "reg-set-dword") {
    if (f.size() < 5) return error("no value");
    DWORD value = static_cast<DWORD>(number(f[4]));
    status = RegSetValueExW(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  } else {
    status = RegDeleteValueW(handle, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
  }
  RegCloseKey(handle);
  return status == ERROR_SUCCESS ? ok() : error("registry write failed: " + std::to_string(status));
}


// --- Other processes ------------------------------------------------------------------------
// A top-level window of the class that belongs to a process other than the target
// (a copy the target started, e.g. relaunched as administrator): it becomes the target.
Answer adoptWindow(long long timeoutMs, const std::wstring& className) {
  struct Search {
    DWORD exclude;
    const std::wstring* className;
    HWND found = nullptr;
    DWORD processId = 0;
  } search{gTarget.processId, &className};
  auto match = [](HWND window, LPARAM parameter) -> BOOL {
    auto* s = reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[256];
    if (pid == s->exclude || pid == GetCurrentProcessId() || !GetClassNameW(window, name, 256) || *s->className != name)
      return TRUE;
    s->found = window;
    s->processId = pid;
    return FALSE;
  };
  waitFor(timeoutMs, [&] {
    search.found = nullptr;
    EnumWindows(match, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  if (!search.found) return error("no window of class " + narrow(className) + " in another process");
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, search.processId);
  if (!process) return error("cannot open process " + std::to_string(search.processId));
  forgetTarget();
  gTarget.process = process;
  gTarget.processId = search.processId;
  gTarget.window = search.found;
  return ok({std::to_string(reinterpret_cast<uintptr_t>(search.found)), std::to_string(search.processId)});
}

// The target's command line as its process block holds it, split as the program splits it.
Answer commandLine() {
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  if (!query || query(gTarget.process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
    return error("NtQueryInformationProcess failed");
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS parameters = {};
  SIZE_T read = 0;
  if (!ReadProcessMemory(gTarget.process, basic.PebBaseAddress, &peb, sizeof peb, &read) ||
      !ReadProcessMemory(gTarget.process, peb.ProcessParameters, &parameters, sizeof parameters, &read))
    return error("cannot read the process block");
  std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
  if (!ReadProcessMemory(gTarget.process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length, &read))
    return error("cannot read the command line");
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
  std::vector<std::string> values;
  for (int i = 0; argv && i < count; i++) values.push_back(escaped(narrow(argv[i])));
  if (argv) LocalFree(argv);
  return ok(values);
}

Answer processMemory() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(gTarget.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    return error("GetProcessMemoryInfo failed: " + std::to_string(GetLastError()));
  return ok({std::to_string(counters.PrivateUsage), std::to_string(counters.WorkingSetSize),
             std::to_string(counters.PeakWorkingSetSize), std::to_string(counters.PagefileUsage)});
}

// A property that holds a global atom: the atom's text.
Answer atomText(const std::string& name) {
  ATOM atom = static_cast<ATOM>(property(name));
  if (!atom) return ok({""});
  wchar_t text[256] = {};
  if (!GlobalGetAtomNameW(atom, text, 256)) return error("no such atom");
  return ok({escaped(narrow(text))});
}

Answer windowRect() {
  RECT r;
  WINDOWPLACEMENT placement = {sizeof placement};
  if (!GetWindowRect(gTarget.window, &r) || !GetWindowPlacement(gTarget.window, &placement)) return error("no window");
  const RECT& n = placement.rcNormalPosition;
  return ok({std::to_string(r.left), std::to_string(r.top), std::to_string(r.right), std::to_string(r.bottom),
             std::to_string(placement.showCmd), std::to_string(n.left), std::to_string(n.top), std::to_string(n.right),
             std::to_string(n.bottom), IsZoomed(gTarget.window) ? "1" : "0", IsIconic(gTarget.window) ? "1" : "0"});
}

Answer workArea() {
  RECT r = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
  return ok({std::to_string(r.left), std::to_string(r.top), std::to_string(r.right), std::to_string(r.bottom)});
}

// --- Child controls ----------------------------------------------------------------------------
// A list view's cell, read through memory in the program's process: a list view
// takes its item record and text buffer by address, in its own address space.
Answer listItemText(HWND list, long long row, long long column) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, gTarget.processId);
  if (!process) return error("cannot open the program's memory");
  constexpr int kUnits = 1024;
  const SIZE_T size = sizeof(LVITEMW) + kUnits * sizeof(wchar_t);
  auto* remote = static_cast<uint8_t*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) {
    CloseHandle(process);
    return error("cannot allocate in the program");
  }
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(row);
  item.iSubItem = static_cast<int>(column);
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  item.cchTextMax = kUnits;
  std::vector<wchar_t> text(kUnits + 1, 0);
  bool done = WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
              WriteProcessMemory(process, remote + sizeof(LVITEMW), text.data(), sizeof(wchar_t), nullptr);
  DWORD_PTR length = 0;
  done = done && SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                     SMTO_ABORTIFHUNG, 10000, &length);
  done = done && ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), kUnits * sizeof(wchar_t), nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!done) return error("the list did not answer");
  return ok({escaped(narrow(text.data()))});
}

Answer listRowRect(HWND list, long long row) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, gTarget.processId);
  if (!process) return error("cannot open the program's memory");
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  RECT r = {LVIR_BOUNDS, 0, 0, 0};
  DWORD_PTR answer = 0;
  bool done = remote && WriteProcessMemory(process, remote, &r, sizeof r, nullptr) &&
              SendMessageTimeoutW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                                  SMTO_ABORTIFHUNG, 10000, &answer) &&
              answer && ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!done) return error("the list has no such row");
  return ok({std::to_string(r.left), std::to_string(r.top), std::to_string(r.right), std::to_string(r.bottom)});
}

// --- Accessibility (MSAA, as a screen reader reads the window) ----------------------------------
std::string hresultText(HRESULT hr) {
  char text[16];
  wsprintfA(text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// A child id field: a number, "self" (CHILDID_SELF) or "empty" (a VARIANT that is not VT_I4).
VARIANT childVariant(const std::string& field) {
  VARIANT v;
  VariantInit(&v);
  if (field == "empty") return v;
  v.vt = VT_I4;
  v.lVal = field == "self" ? CHILDID_SELF : static_cast<LONG>(number(field));
  return v;
}

std::string variantText(const VARIANT& v) {
  if (v.vt == VT_I4) return std::to_string(v.lVal);
  if (v.vt == VT_EMPTY) return "empty";
  if (v.vt == VT_DISPATCH) return "object";
  return "vt" + std::to_string(v.vt);
}

std::string bstrText(BSTR text) {
  std::string out = text ? escaped(narrow(std::wstring(text, SysStringLen(text)))) : "";
  SysFreeString(text);
  return out;
}

struct AccessibleAnswer {
  IAccessible* object = nullptr;
  HRESULT hr = E_FAIL;
  ~AccessibleAnswer() {
    if (object) object->Release();
  }
};

void openAccessible(AccessibleAnswer& a) {
  a.hr = AccessibleObjectFromWindow(gTarget.window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                    reinterpret_cast<void**>(&a.object));
}

// One element's properties: name, value, role, state, left, top, width, height,
// description, default action, shortcut (absent strings are empty).
std::vector<std::string> accessibleRecord(IAccessible* object, VARIANT child) {
  std::vector<std::string> r;
  BSTR text = nullptr;
  object->get_accName(child, &text);
  r.push_back(bstrText(text));
  text = nullptr;
  object->get_accValue(child, &text);
  r.push_back(bstrText(text));
  VARIANT v;
  VariantInit(&v);
  object->get_accRole(child, &v);
  r.push_back(variantText(v));
  VariantClear(&v);
  object->get_accState(child, &v);
  r.push_back(variantText(v));
  VariantClear(&v);
  long left = 0, top = 0, width = 0, height = 0;
  object->accLocation(&left, &top, &width, &height, child);
  for (long n : {left, top, width, height}) r.push_back(std::to_string(n));
  text = nullptr;
  object->get_accDescription(child, &text);
  r.push_back(bstrText(text));
  text = nullptr;
  object->get_accDefaultAction(child, &text);
  r.push_back(bstrText(text));
  text = nullptr;
  object->get_accKeyboardShortcut(child, &text);
  r.push_back(bstrText(text));
  return r;
}

Answer accessible(const std::vector<std::string>& f) {
  const std::string& verb = f[0];
  auto has = [&](size_t n) { return f.size() >= n + 1; };
  AccessibleAnswer a;
  openAccessible(a);
  if (FAILED(a.hr) || !a.object) return error("AccessibleObjectFromWindow failed: " + hresultText(a.hr));
  IAccessible* o = a.object;
  if (verb == "acc-tree") {   // the window's record, then each child's
    long count = 0;
    HRESULT hr = o->get_accChildCount(&count);
    if (FAILED(hr)) return error("get_accChildCount: " + hresultText(hr));
    std::vector<std::string> values = {std::to_string(count)};
    for (long i = 0; i <= count; i++) {
      std::vector<std::string> r = accessibleRecord(o, childVariant(i == 0 ? "self" : std::to_string(i)));
      values.insert(values.end(), r.begin(), r.end());
    }
    return ok(values);
  }
  if (verb == "acc-get" && has(2)) {   // acc-get what child: the HRESULT and the answer
    VARIANT child = childVariant(f[2]);
    const std::string& what = f[1];
    HRESULT hr = E_NOTIMPL;
    std::string value;
    BSTR text = nullptr;
    VARIANT v;
    VariantInit(&v);
    if (what == "name") hr = o->get_accName(child, &text);
    else if (what == "value") hr = o->get_accValue(child, &text);
    else if (what == "description") hr = o->get_accDescription(child, &text);
    else if (what == "action") hr = o->get_accDefaultAction(child, &text);
    else if (what == "shortcut") hr = o->get_accKeyboardShortcut(child, &text);
    else if (what == "role") hr = o->get_accRole(child, &v);
    else if (what == "state") hr = o->get_accState(child, &v);
    else if (what == "child") {
      IDispatch* d = nullptr;
      hr = o->get_accChild(child, &d);
      value = d ? "object" : "none";
      if (d) d->Release();
    } else return error("unknown property " + what);
    if (what == "role" || what == "state") value = variantText(v);
    else if (what != "child") value = bstrText(text);
    VariantClear(&v);
    return ok({hresultText(hr), value});
  }
  if (verb == "acc-do" && has(1)) return ok({hresultText(o->accDoDefaultAction(childVariant(f[1])))});
  if (verb == "acc-select" && has(2)) return ok({hresultText(o->accSelect(static_cast<long>(number(f[2])), childVariant(f[1])))});
  if (verb == "acc-focus") {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = o->get_accFocus(&v);
    std::string value = variantText(v);
    VariantClear(&v);
    return ok({hresultText(hr), value});
  }
  if (verb == "acc-navigate" && has(2)) {   // acc-navigate direction start
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = o->accNavigate(static_cast<long>(number(f[1])), childVariant(f[2]), &v);
    std::string value = variantText(v);
    VariantClear(&v);
    return ok({hresultText(hr), value});
  }
  if (verb == "acc-control-name" && has(1)) {   // a child control's own accessible name, by control id
    IAccessible* control = nullptr;
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no control " + f[1]);
    HRESULT hr = AccessibleObjectFromWindow(child, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                            reinterpret_cast<void**>(&control));
    if (FAILED(hr) || !control) return error("AccessibleObjectFromWindow on the control: " + hresultText(hr));
    BSTR text = nullptr;
    hr = control->get_accName(childVariant("self"), &text);
    control->Release();
    return ok({hresultText(hr), bstrText(text)});
  }
  if (verb == "acc-hit" && has(2)) {   // client coordinates
    POINT p = screenPoint(number(f[1]), number(f[2]));
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = o->accHitTest(p.x, p.y, &v);
    std::string value = variantText(v);
    VariantClear(&v);
    return ok({hresultText(hr), value});
  }
  return error("unknown command or missing fields: " + verb);
}

// --- WinEvents the target raises (focus, alerts, value changes) ---------------------------------
struct WinEventRecord {
  DWORD event;
  HWND window;
  LONG object, child;
};
std::vector<WinEventRecord> gEvents;
HWINEVENTHOOK gEventHook = nullptr;

void CALLBACK recordWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (event == EVENT_OBJECT_FOCUS || event == EVENT_SYSTEM_ALERT || event == EVENT_OBJECT_VALUECHANGE)
    gEvents.push_back({event, window, object, child});
}

// Out-of-context events arrive through this thread's message queue.
void pumpMessages(long long ms) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ms);
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(1);
  } while (GetTickCount64() < deadline);
}

Answer winEvents(const std::vector<std::string>& f) {
  if (f[0] == "events-start") {
    if (gEventHook) UnhookWinEvent(gEventHook);
    gEventHook = SetWinEventHook(EVENT_SYSTEM_ALERT, EVENT_OBJECT_VALUECHANGE, nullptr, recordWinEvent,
                                 gTarget.processId, 0, WINEVENT_OUTOFCONTEXT);
    if (!gEventHook) return error("SetWinEventHook failed");
    pumpMessages(1);
    gEvents.clear();
    return ok();
  }
  // events ms: what arrived, after pumping for ms: event:window:object:child each
  pumpMessages(f.size() > 1 ? number(f[1]) : 50);
  std::vector<std::string> values;
  for (const WinEventRecord& e : gEvents)
    values.push_back(std::to_string(e.event) + ":" + std::to_string(reinterpret_cast<uintptr_t>(e.window)) + ":" +
                     std::to_string(e.object) + ":" + std::to_string(e.child));
  gEvents.clear();
  return ok(values);
}

// --- Commands ----------------------------------------------------------------------------------
// The one file "hold-file" keeps open.
HANDLE gHeldFile = INVALID_HANDLE_VALUE;

bool needsWindow(const std::string& verb) {
  static const char* verbs[] = {"prop", "wait-prop", "wait-frame", "invalidate", "client", "resize-client", "move",
                                "show", "post", "send", "capture", "click", "post-click", "mouse-move", "key",
                                "post-key", "foreground", "close", "window-text", "child-text", "visible", "wait-visible",
                                "atom", "window-rect", "window-class", "command-line", "memory", "child-send",
                                "child-post", "child-rect", "list-text", "list-row-rect", "focus-child", "acc-tree",
                                "acc-get", "acc-do", "acc-select", "acc-focus", "acc-navigate", "acc-hit",
                                "events-start"};
  for (const char* v : verbs)
    if (verb == v) return true;
  return false;
}

Answer run(const std::vector<std::string>& f) {
  const std::string& verb = f[0];
  auto has = [&](size_t n) { return f.size() >= n + 1; };
  if (needsWindow(verb) && !IsWindow(gTarget.window)) return error("no window: launch a program or find its window first");

  if (verb == "launch") {   // launch timeoutMs class exe args…
    if (!has(3)) return error("usage: launch timeoutMs class exe [arguments]");
    Answer started = startProcess(f, 3);
    if (!started.ok) return started;
    return findWindow(number(f[1]), wide(f[2]));
  }
  if (verb == "start") {    // start exe args…: no window expected
    if (!has(1)) return error("usage: start exe [arguments]");
    return startProcess(f, 1);
  }
  if (verb == "find-window" && has(2)) return findWindow(number(f[1]), wide(f[2]));
  if (verb == "setenv" && has(1)) {   // for the programs started from now on; no value removes it
    SetEnvironmentVariableW(wide(f[1]).c_str(), has(2) ? wide(f[2]).c_str() : nullptr);
    return ok();
  }
  if (verb == "adopt-window" && has(2)) return adoptWindow(number(f[1]), wide(f[2]));
  if (verb == "command-line") return commandLine();
  if (verb == "memory") {
    if (!gTarget.process) return error("no process");
    return processMemory();
  }
  if (verb == "atom" && has(1)) return atomText(f[1]);
  if (verb == "window-rect") return windowRect();
  if (verb == "work-area") return workArea();
  if (verb == "window-class") {   // the class, the style and the extended style
    wchar_t name[256] = {};
    GetClassNameW(gTarget.window, name, 256);
    return ok({narrow(name), std::to_string(GetWindowLongPtrW(gTarget.window, GWL_STYLE) & 0xFFFFFFFF),
               std::to_string(GetWindowLongPtrW(gTarget.window, GWL_EXSTYLE) & 0xFFFFFFFF)});
  }
  if (verb == "count-windows" && has(1)) return ok({std::to_string(findWindows(wide(f[1])).count)});
  if (verb == "prop" && has(1)) return ok({std::to_string(property(f[1]))});
  if (verb == "wait-prop" && has(4)) return waitProperty(f[1], f[2], number(f[3]), number(f[4]));
  if (verb == "wait-frame" && has(2)) return waitProperty("Mossbloom.Frame", "gt", number(f[1]), number(f[2]));
  if (verb == "invalidate") {
    InvalidateRect(gTarget.window, nullptr, FALSE);
    return ok();
  }
  if (verb == "client") {
    RECT r;
    GetClientRect(gTarget.window, &r);
    return ok({std::to_string(r.right - r.left), std::to_string(r.bottom - r.top)});
  }
  if (verb == "resize-client" && has(2)) {
    RECT r = {0, 0, static_cast<LONG>(number(f[1])), static_cast<LONG>(number(f[2]))};
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(gTarget.window, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(gTarget.window, GWL_EXSTYLE));
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    SetWindowPos(gTarget.window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return ok();
  }
  if (verb == "move" && has(2)) {
    SetWindowPos(gTarget.window, nullptr, static_cast<int>(number(f[1])), static_cast<int>(number(f[2])), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return ok();
  }
  if (verb == "show" && has(1)) {
    ShowWindow(gTarget.window, static_cast<int>(number(f[1])));
    return ok();
  }
  if (verb == "visible") return ok({IsWindowVisible(gTarget.window) ? "1" : "0"});
  if (verb == "wait-visible" && has(1)) {   // e.g. a dialog, shown once it is initialised
    if (!waitFor(number(f[1]), [] { return IsWindowVisible(gTarget.window) != 0; }))
      return error("timeout: the window stayed hidden");
    return ok();
  }
  if (verb == "post" && has(3)) {
    BOOL posted = PostMessageW(gTarget.window, static_cast<UINT>(number(f[1])), static_cast<WPARAM>(number(f[2])),
                               static_cast<LPARAM>(number(f[3])));
    return posted ? ok() : error("PostMessageW failed");
  }
  if (verb == "send" && has(4)) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(gTarget.window, static_cast<UINT>(number(f[1])), static_cast<WPARAM>(number(f[2])),
                             static_cast<LPARAM>(number(f[3])), SMTO_ABORTIFHUNG, static_cast<UINT>(number(f[4])),
                             &result))
      return error("SendMessageTimeoutW failed or timed out");
    return ok({std::to_string(static_cast<long long>(result))});
  }
  if (verb == "broadcast-setting" && has(1)) {   // WM_SETTINGCHANGE to every top-level window, as Windows does
    std::wstring area = wide(f[1]);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area.c_str()), SMTO_ABORTIFHUNG,
                        5000, &result);
    return ok();
  }
  if (verb == "client-animations" && has(1)) {   // SPI_SETCLIENTAREAANIMATION, stored: programs started afterwards read it; answers the value read back
    BOOL on = number(f[1]) != 0;
    if (!SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, reinterpret_cast<void*>(static_cast<intptr_t>(on)),
                               SPIF_UPDATEINIFILE | SPIF_SENDCHANGE))
      return error("SPI_SETCLIENTAREAANIMATION failed");
    BOOL now = !on;
    SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &now, 0);
    return ok({std::to_string(now ? 1 : 0)});
  }
  if (verb == "capture" && has(1)) return capture(f[1], false);
  if (verb == "capture-screen" && has(1)) return capture(f[1], true);
  if (verb == "foreground") return bringToForeground() ? ok() : error("the window did not become the foreground window");
  if (verb == "mouse-move" && has(2)) {
    sendMouse(screenPoint(number(f[1]), number(f[2])), 0);
    return ok();
  }
  if (verb == "click" && has(2)) {   // SendInput, after bringing the window to the foreground
    if (!bringToForeground()) return error("the window did not become the foreground window");
    POINT p = screenPoint(number(f[1]), number(f[2]));
    bool right = has(3) && f[3] == "right";
    sendMouse(p, 0);
    sendMouse(p, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
    sendMouse(p, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
    return ok();
  }
  if (verb == "post-click" && has(2)) {   // posted messages: no activation, focus or input state involved
    LPARAM at = MAKELPARAM(static_cast<int>(number(f[1])), static_cast<int>(number(f[2])));
    PostMessageW(gTarget.window, WM_MOUSEMOVE, 0, at);
    PostMessageW(gTarget.window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(gTarget.window, WM_LBUTTONUP, 0, at);
    return ok();
  }
  if (verb == "key" && has(1)) {   // key vk [modifier vk]: a modifier is held around the key
    if (!bringToForeground()) return error("the window did not become the foreground window");
    WORD modifier = has(2) ? static_cast<WORD>(number(f[2])) : 0;
    if (modifier) sendKey(modifier, false);
    sendKey(static_cast<WORD>(number(f[1])), false);
    sendKey(static_cast<WORD>(number(f[1])), true);
    if (modifier) sendKey(modifier, true);
    return ok();
  }
  if (verb == "post-key" && has(1)) {
    WPARAM vk = static_cast<WPARAM>(number(f[1]));
    UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    PostMessageW(gTarget.window, WM_KEYDOWN, vk, 1 | static_cast<LPARAM>(scan) << 16);
    PostMessageW(gTarget.window, WM_KEYUP, vk, 1 | static_cast<LPARAM>(scan) << 16 | 0xC0000000LL);
    return ok();
  }
  // The window holding the keyboard focus in the target's thread (a child edit, say)
  // gets the characters, or the key down and up, as typing would send them. They are
  // sent, not posted: the answer comes after the target handled them, so the next
  // command sees their effect (a sent message overtakes posted ones).
  if ((verb == "type" || verb == "focus-key") && has(1)) {
    GUITHREADINFO info = {sizeof info};
    DWORD thread = GetWindowThreadProcessId(gTarget.window, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndFocus) return error("no window of the target has the focus");
    DWORD_PTR answer = 0;
    auto deliver = [&](UINT message, WPARAM wParam, LPARAM lParam) {
      return SendMessageTimeoutW(info.hwndFocus, message, wParam, lParam, SMTO_NORMAL, 10000, &answer) != 0;
    };
    bool delivered = true;
    if (verb == "type") {
      for (wchar_t c : wide(f[1])) delivered = delivered && deliver(WM_CHAR, c, 1);
    } else {
      WPARAM vk = static_cast<WPARAM>(number(f[1]));
      LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
      delivered = deliver(WM_KEYDOWN, vk, 1 | scan) && deliver(WM_KEYUP, vk, 1 | scan | 0xC0000000LL);
    }
    return delivered ? ok() : error("the target did not answer");
  }
  if (verb == "window-text") {
    wchar_t text[1024] = {};
    GetWindowTextW(gTarget.window, text, 1024);
    return ok({escaped(narrow(text))});
  }
  if (verb == "child-text" && has(1)) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(gTarget.window, static_cast<int>(number(f[1])), text, 4096);
    return ok({escaped(narrow(text))});
  }
  if (verb == "child-send" && has(5)) {   // child-send id message wParam lParam timeoutMs: the answer
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no child with that id");
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(child, static_cast<UINT>(number(f[2])), static_cast<WPARAM>(number(f[3])),
                             static_cast<LPARAM>(number(f[4])), SMTO_ABORTIFHUNG, static_cast<UINT>(number(f[5])), &answer))
      return error("the child did not answer");
    return ok({std::to_string(static_cast<long long>(static_cast<LRESULT>(answer)))});
  }
  if (verb == "child-post" && has(4)) {   // child-post id message wParam lParam
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no child with that id");
    PostMessageW(child, static_cast<UINT>(number(f[2])), static_cast<WPARAM>(number(f[3])), static_cast<LPARAM>(number(f[4])));
    return ok();
  }
  if (verb == "child-rect" && has(1)) {   // the child's rectangle in the window's client area, and whether it is visible
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return ok({"0", "0", "0", "0", "0", "0"});
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, gTarget.window, reinterpret_cast<POINT*>(&r), 2);
    return ok({"1", std::to_string(r.left), std::to_string(r.top), std::to_string(r.right), std::to_string(r.bottom),
               IsWindowVisible(child) ? "1" : "0"});
  }
  if (verb == "list-text" && has(3)) {   // list-text id row column
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no list with that id");
    return listItemText(child, number(f[2]), number(f[3]));
  }
  if (verb == "list-row-rect" && has(2)) {   // list-row-rect id row: the row's bounds in the list's client area
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no list with that id");
    return listRowRect(child, number(f[2]));
  }
  if (verb == "focus-child" && has(1)) {   // the window to the foreground, then the child takes the keyboard focus
    HWND child = GetDlgItem(gTarget.window, static_cast<int>(number(f[1])));
    if (!child) return error("no child with that id");
    if (!bringToForeground()) return error("the window did not become the foreground window");
    DWORD self = GetCurrentThreadId(), target = GetWindowThreadProcessId(gTarget.window, nullptr);
    AttachThreadInput(self, target, TRUE);
    SetFocus(child);
    AttachThreadInput(self, target, FALSE);
    return ok();
  }
  if (verb == "close" && has(1)) {   // WM_CLOSE, then the exit code
    PostMessageW(gTarget.window, WM_CLOSE, 0, 0);
    DWORD code = 0;
    if (!waitFor(number(f[1]), [&] { return processExited(&code); })) return error("timeout: the program did not end");
    forgetTarget();
    return ok({std::to_string(code)});
  }
  if (verb == "wait-exit" && has(1)) {
    DWORD code = 0;
    if (!waitFor(number(f[1]), [&] { return processExited(&code); })) return error("timeout: the program did not end");
    forgetTarget();
    return ok({std::to_string(code)});
  }
  if (verb == "kill") {
    if (gTarget.process && !processExited()) {
      TerminateProcess(gTarget.process, 1);
      WaitForSingleObject(gTarget.process, 5000);
    }
    forgetTarget();
    return ok();
  }
  if (verb == "hold-file" && has(1)) {   // open without delete sharing, as an editor holding a file does
    if (gHeldFile != INVALID_HANDLE_VALUE) CloseHandle(gHeldFile);
    gHeldFile = CreateFileW(wide(f[1]).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return gHeldFile != INVALID_HANDLE_VALUE ? ok() : error("cannot open: " + std::to_string(GetLastError()));
  }
  if (verb == "release-file") {
    if (gHeldFile != INVALID_HANDLE_VALUE) CloseHandle(gHeldFile);
    gHeldFile = INVALID_HANDLE_VALUE;
    return ok();
  }
  if (verb.rfind("reg-", 0) == 0) return registry(f);
  if (verb.rfind("acc-", 0) == 0) return accessible(f);
  if (verb == "events-start" || verb == "events") return winEvents(f);
  if (verb == "screen") return ok({std::to_string(GetSystemMetrics(SM_CXSCREEN)), std::to_string(GetSystemMetrics(SM_CYSCREEN))});
  return error("unknown command or missing fields: " + verb);
}

bool readLine(std::string& line) {
  static std::string pending;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  for (;;) {
    size_t end = pending.find('\n');
    if (end != std::string::npos) {
      line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    char buffer[4096];
    DWORD read = 0;
    if (!ReadFile(input, buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
    pending.append(buffer, read);
  }
}
}  // namespace

int main() {
  // A stray error dialog would hang the run.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  // MSAA hands objects of other processes through COM.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  writeOut("ready");
  std::string line;
  while (readLine(line)) {
    if (line.empty()) continue;
    std::vector<std::string> fields = split(line);
    if (fields[0] == "quit") break;
    Answer answer = run(fields);
    std::string out = answer.ok ? "ok" : "error";
    for (const std::string& v : answer.values) out += "\t" + v;
    writeOut(out);
  }
  // Nothing launched outlives the driver.
  if (gTarget.process && !processExited()) TerminateProcess(gTarget.process, 1);
  forgetTarget();
  writeOut("bye");
  return 0;
}
