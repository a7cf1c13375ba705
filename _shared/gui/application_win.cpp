#include "application.h"

#include <commctrl.h>

#include <string>

#include "form.h"
#include "message_box.h"

namespace gui {
namespace {

constexpr char kApplicationClass[] = "TdmApplication";

// Until a title is set, the program's file name without its extension.
std::string ModuleTitle() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string title(path, length < sizeof path ? length : 0);
  title.erase(0, title.find_last_of("\\/") + 1);
  if (const size_t dot = title.rfind('.'); dot != std::string::npos) title.erase(dot);
  return title;
}

}  // namespace

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::Initialize() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void Application::SetTitle(const char* title) {
  title_ = title != nullptr ? title : "";
  if (handle_ != nullptr) SetWindowTextA(handle_, title_.c_str());
}

HWND Application::Handle() {
  if (handle_ != nullptr) return handle_;
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    // The task-bar button is this window's: it shows the program's icon.
    wc.hIcon = ProgramIcon(GetSystemMetrics(SM_CXICON));
    wc.lpszClassName = kApplicationClass;
    return RegisterClassA(&wc) != 0;
  }();
  (void)registered;
  if (title_.empty()) title_ = ModuleTitle();
  handle_ = CreateWindowExA(0, kApplicationClass, title_.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0,
                            0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (handle_ != nullptr && !keepHidden_) ShowWindow(handle_, SW_SHOWNOACTIVATE);
  return handle_;
}

LRESULT CALLBACK Application::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Application& application = Instance();
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        application.Minimize();
        return 0;
      }
      if ((wParam & 0xFFF0) == SC_RESTORE && IsIconic(hwnd)) {
        application.Restore();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // The window has nothing to show; the activation belongs to the form.
      if (LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0) application.ActivateLastForm();
      return 0;
    case WM_CLOSE:
      // The task bar's close: as the main form's close box.
      if (application.mainForm_ != nullptr) Guarded([&] { application.mainForm_->Close(); });
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Application::Minimize() {
  if (handle_ == nullptr) return;
  // Owned windows would stay on screen, or shrink to icons of their own.
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM self) {
        auto* application = reinterpret_cast<Application*>(self);
        if (GetWindow(hwnd, GW_OWNER) == application->handle_ && IsWindowVisible(hwnd)) {
          application->hiddenByMinimize_.push_back(hwnd);
          ShowWindow(hwnd, SW_HIDE);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
  ShowWindow(handle_, SW_MINIMIZE);
}

void Application::Restore() {
  if (handle_ == nullptr) return;
  ShowWindow(handle_, SW_RESTORE);
  for (HWND hwnd : hiddenByMinimize_)
    if (IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOWNA);
  hiddenByMinimize_.clear();
  ActivateLastForm();
}

void Application::ActivateLastForm() {
  HWND target = lastActive_;
  if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) ||
      !IsWindowEnabled(target))
    target = mainForm_ != nullptr ? mainForm_->hwnd() : nullptr;
  if (target != nullptr && IsWindowVisible(target) && IsWindowEnabled(target))
    SetActiveWindow(target);
}

void Application::CreateForm(Form& form, const FormDesign& design) {
  const bool first = mainForm_ == nullptr;
  if (first) mainForm_ = &form;
  forms_.push_back(&form);
  try {
    form.CreateForm(design, Handle());
  } catch (...) {
    forms_.pop_back();
    if (first) mainForm_ = nullptr;
    throw;
  }
}

void Application::DestroyForms() {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
    if (*it != mainForm_) (*it)->Destroy();
  if (mainForm_ != nullptr) mainForm_->Destroy();
  forms_.clear();
  mainForm_ = nullptr;
  if (handle_ != nullptr) DestroyWindow(handle_);
  handle_ = nullptr;
  lastActive_ = nullptr;
}

bool Application::Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root == nullptr || !IsDialogMessageA(root, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void Application::Run() {
  if (quitRequested_ || terminated_ || mainForm_ == nullptr) {
    terminated_ = true;
    return;
  }
  mainForm_->ShowForm();
  MSG msg;
  while (!terminated_) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
    Dispatch(msg);
  }
  terminated_ = true;
}

void Application::ProcessMessages() {
  MSG msg;
  while (!terminated_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) Dispatch(msg);
}

void Application::Terminate() {
  quitRequested_ = true;
  PostQuitMessage(0);
}

void Application::ShowException(const std::exception& error) {
  ShowException(error.what());
}

void Application::ShowException(const char* message) {
  std::string text = message != nullptr ? message : "";
  if (text.empty() || text.back() != '.') text += '.';
  if (exceptionSink_ != nullptr) return exceptionSink_(text.c_str());
  ShowMessageBox(GetActiveWindow(), text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace gui
