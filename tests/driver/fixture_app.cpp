// A small stand-in for Setup.exe that the driver's own tests drive: one form with
// the kinds of controls the wizard has, named the same way, each reporting what
// reached it in lbl_echo so a test can see that the notification arrived.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kFormClass[] = "TdmFixtureForm";
constexpr char kPageClass[] = "TdmFixturePage";
constexpr char kNameProperty[] = "TdmName";

enum ControlId : int {
  kButton1 = 101,  // opens the message box
  kButton2,        // closes the form
  kButton3,        // always disabled
  kButton4,        // on the hidden page
  kEdit1,
  kBoxLanguage,
  kChkOption,
  kRadioA,
  kRadioB,
  kBarProgress,
  kMemoText,
  kLblEcho,
  kLblGreeting,
  kLblHidden,
};

struct Options {
  int exitCode = 0;
  int showDelayMs = 0;
  bool printLanguage = false;
  const char* exitVariable = nullptr;
  bool boxAtStart = false;
  bool errorBoxAtStart = false;
};

Options g_options;
HWND g_echo = nullptr;

void Name(HWND window, const char* name) {
  SetPropA(window, kNameProperty,
           reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GlobalAddAtomA(name))));
}

HWND Create(HWND parent, const char* name, const char* windowClass, const char* text, DWORD style,
            int x, int y, int width, int height, int id) {
  HWND window = CreateWindowExA(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleA(nullptr), nullptr);
  Name(window, name);
  return window;
}

void Echo(const std::string& text) {
  SetWindowTextA(g_echo, text.c_str());
}

std::string TextOf(HWND window) {
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

void OnCommand(HWND form, int id, int code, HWND control) {
  switch (id) {
    case kButton1:
      if (code != BN_CLICKED) return;
      MessageBoxA(form, "Fixture text\nsecond line", "Fixture caption", MB_OK);
      Echo("box answered");
      return;
    case kButton2:
      if (code == BN_CLICKED) DestroyWindow(form);
      return;
    case kButton3:
    case kButton4:
      if (code == BN_CLICKED)
        Echo(std::string("clicked ") + (id == kButton3 ? "Button3" : "Button4"));
      return;
    case kEdit1:
      if (code == EN_CHANGE) Echo("changed: " + TextOf(control));
      return;
    case kBoxLanguage:
      if (code == CBN_SELCHANGE) {
        const auto index = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
        char item[64] = {};
        SendMessageA(control, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(item));
        Echo("selected: " + std::to_string(index) + " " + item);
      }
      return;
    case kChkOption:
      if (code == BN_CLICKED)
        Echo(SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "chk_option: checked"
                                                                     : "chk_option: unchecked");
      return;
    case kRadioA:
    case kRadioB:
      if (code == BN_CLICKED) Echo(id == kRadioA ? "radio_a clicked" : "radio_b clicked");
      return;
    default:
      return;
  }
}

// Pages pass their children's notifications on to the form, as the wizard's pages do.
LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) return SendMessageA(GetParent(page), message, wParam, lParam);
  return DefWindowProcA(page, message, wParam, lParam);
}

void CreateControls(HWND form) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  Create(form, "Button1", "BUTTON", "&Show box", BS_PUSHBUTTON | WS_TABSTOP, 8, 8, 100, 25,
         kButton1);
  Create(form, "Button2", "BUTTON", "E&xit", BS_PUSHBUTTON | WS_TABSTOP, 116, 8, 100, 25, kButton2);
  EnableWindow(
      Create(form, "Button3", "BUTTON", "&Never", BS_PUSHBUTTON, 224, 8, 100, 25, kButton3), FALSE);
  Create(form, "Edit1", "EDIT", "C:\\Games\\Tidemoor", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8,
         40, 250, 21, kEdit1);
  HWND combo = Create(form, "box_language", "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 8, 68,
                      200, 120, kBoxLanguage);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Deutsch"));
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("English"));
  SendMessageA(combo, CB_SETCURSEL, 1, 0);

  HWND page1 = CreateWindowExA(0, kPageClass, "", WS_CHILD | WS_VISIBLE, 8, 96, 300, 80, form,
                               nullptr, instance, nullptr);
  Name(page1, "TabSheet1");
  Create(page1, "chk_option", "BUTTON", "&Option", BS_AUTOCHECKBOX | WS_TABSTOP, 0, 0, 200, 17,
         kChkOption);
  HWND radioA = Create(page1, "radio_a", "BUTTON", "Radio &A", BS_AUTORADIOBUTTON | WS_GROUP, 0, 24,
                       200, 17, kRadioA);
  Create(page1, "radio_b", "BUTTON", "Radio &B", BS_AUTORADIOBUTTON, 0, 48, 200, 17, kRadioB);
  SendMessageA(radioA, BM_SETCHECK, BST_CHECKED, 0);

  HWND page2 = CreateWindowExA(0, kPageClass, "", WS_CHILD, 8, 96, 300, 80, form, nullptr, instance,
                               nullptr);
  Name(page2, "TabSheet2");
  Create(page2, "Button4", "BUTTON", "&Hidden", BS_PUSHBUTTON, 0, 0, 100, 25, kButton4);

  HWND bar = Create(form, "bar_progress", PROGRESS_CLASSA, "", 0, 8, 184, 300, 17, kBarProgress);
  // The archive check sets a maximum far above 65,535; the bar must keep it.
  SendMessageA(bar, PBM_SETRANGE32, 0, 16651315);
  SendMessageA(bar, PBM_SETPOS, 1665131, 0);

  Create(form, "memo_text", "EDIT", "line one\r\nline two\r\nline three",
         ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 8, 208, 300, 60, kMemoText);
  g_echo = Create(form, "lbl_echo", "STATIC", "ready", SS_LEFT, 8, 276, 300, 16, kLblEcho);
  // Catalogue texts are Windows-1252 bytes; this one checks they come back unchanged.
  Create(form, "lbl_greeting", "STATIC", "Gr\xFC\xDF Gott, Fran\xE7ois", SS_CENTER, 8, 296, 300, 16,
         kLblGreeting);
  ShowWindow(Create(form, "lbl_hidden", "STATIC", "hidden", SS_LEFT, 8, 316, 300, 16, kLblHidden),
             SW_HIDE);
}

LRESULT CALLBACK FormProc(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateControls(form);
      return 0;
    case WM_COMMAND:
      OnCommand(form, LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(g_options.exitCode);
      return 0;
    default:
      return DefWindowProcA(form, message, wParam, lParam);
  }
}

Options ParseOptions(int count, char** arguments) {
  Options options;
  for (int i = 1; i < count; ++i) {
    const char* argument = arguments[i];
    if (std::strncmp(argument, "--exit-code=", 12) == 0)
      options.exitCode = std::atoi(argument + 12);
    if (std::strncmp(argument, "--show-delay=", 13) == 0)
      options.showDelayMs = std::atoi(argument + 13);
    if (std::strcmp(argument, "--print-language") == 0) options.printLanguage = true;
    if (std::strncmp(argument, "--exit-with-variable=", 21) == 0)
      options.exitVariable = argument + 21;
    if (std::strcmp(argument, "--box-at-start") == 0) options.boxAtStart = true;
    if (std::strcmp(argument, "--error-box-at-start") == 0) options.errorBoxAtStart = true;
  }
  return options;
}

void RegisterClasses(HINSTANCE instance) {
  WNDCLASSA form = {};
  form.lpfnWndProc = FormProc;
  form.hInstance = instance;
  form.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  RegisterClassA(&form);
  WNDCLASSA page = form;
  page.lpfnWndProc = PageProc;
  page.lpszClassName = kPageClass;
  RegisterClassA(&page);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_options = ParseOptions(__argc, __argv);
  // The language test reads the answer from the exit code: no window, no output pipe.
  if (g_options.printLanguage) return GetUserDefaultLangID();
  if (g_options.exitVariable != nullptr) {
    const char* value = std::getenv(g_options.exitVariable);
    return value == nullptr ? -1 : std::atoi(value);
  }
  if (g_options.boxAtStart) MessageBoxA(nullptr, "Started with a box", "Fixture start", MB_OK);
  if (g_options.errorBoxAtStart)
    MessageBoxA(nullptr, "Something failed.", "Setup", MB_OK | MB_ICONERROR);
  if (g_options.showDelayMs > 0) Sleep(static_cast<DWORD>(g_options.showDelayMs));

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  RegisterClasses(instance);
  HWND form = CreateWindowExA(0, kFormClass,
                              "Fixture:", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              100, 100, 340, 380, nullptr, nullptr, instance, nullptr);
  Name(form, "FFixture");
  ShowWindow(form, SW_SHOW);
  UpdateWindow(form);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageA(form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
