#include "application.h"

#include <commctrl.h>

#include <string>

#include "form.h"
#include "message_box.h"

namespace gui {

Application& Application::Instance() {
  static Application application;
  return application;
}

void Application::Initialize() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void Application::CreateForm(Form& form, const FormDesign& design, HWND owner) {
  if (mainForm_ == nullptr) mainForm_ = &form;
  forms_.push_back(&form);
  form.CreateForm(design, owner);
}

void Application::DestroyForms() {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
    if (*it != mainForm_) (*it)->Destroy();
  if (mainForm_ != nullptr) mainForm_->Destroy();
  forms_.clear();
  mainForm_ = nullptr;
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
  ShowMessageBox(nullptr, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace gui
