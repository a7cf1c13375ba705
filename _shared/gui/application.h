// The application object: title, main form, message loop, processing of pending
// messages, the quit request and the standard exception report.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "form.h"

namespace gui {

class Application {
 public:
  static Application& Instance();

  void Initialize();
  void SetTitle(const char* title) { title_ = title; }
  const std::string& Title() const { return title_; }

  // Creates a form the application owns; the first one becomes the main form. A
  // dialog names the form whose window owns its own, so showing it modally disables that one.
  void CreateForm(Form& form, const FormDesign& design, HWND owner = nullptr);
  Form* MainForm() const { return mainForm_; }
  // Destroys the windows of the forms it owns, main form last, at the end of the run.
  void DestroyForms();

  // Shows the main form and dispatches messages until it closes or a quit request
  // arrives. After a quit request made before Run, the main form is never shown.
  void Run();
  // Lets the windows repaint and react while long work runs on this thread.
  void ProcessMessages();
  // Queues the quit request; the loop ends when it reaches it.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The standard report: a box titled with the application title, an error icon
  // and the message with a full stop appended when it has none.
  void ShowException(const std::exception& error);
  void ShowException(const char* message);

 private:
  bool Dispatch(MSG& msg);

  std::string title_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> forms_;
  bool terminated_ = false;
  bool quitRequested_ = false;
};

// Runs a callback from a window procedure: exceptions must not cross Windows' frames,
// so they end here in the standard report and the loop goes on.
template <class F>
void Guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& error) {
    Application::Instance().ShowException(error);
  }
}

}  // namespace gui
