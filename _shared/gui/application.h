// The application object: its window, title, main form, message loop, processing of
// pending messages, the quit request and the standard exception report.
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
  // For a run nobody watches: the application window, made before the first form,
  // stays hidden, so not even a task-bar button shows.
  void KeepHidden() { keepHidden_ = true; }
  void SetTitle(const char* title);
  const std::string& Title() const { return title_; }

  // The application window, made on first use: shown but without size, titled with
  // the title, it carries the program's one task-bar button and owns every form, so
  // the forms have none of their own.
  HWND Handle();
  bool IsApplicationWindow(HWND hwnd) const { return hwnd != nullptr && hwnd == handle_; }
  // The task bar's minimise and restore: the forms go and come back with the button.
  void Minimize();
  void Restore();
  // The form activated last, which gets the activation back when the application does.
  void FormActivated(HWND form) { lastActive_ = form; }

  // Creates a form owned by the application window; the first one becomes the main
  // form. Raises Exception when the window cannot be created.
  void CreateForm(Form& form, const FormDesign& design);
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
  // and the message with a full stop appended when it has none; owned by the active
  // window, so the form it belongs to takes no input while it is open.
  void ShowException(const std::exception& error);
  void ShowException(const char* message);
  // For a run nobody watches: the report goes here instead of into a box.
  void SetExceptionSink(void (*sink)(const char* message)) { exceptionSink_ = sink; }

 private:
  bool Dispatch(MSG& msg);
  void ActivateLastForm();
  static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);

  HWND handle_ = nullptr;
  HWND lastActive_ = nullptr;
  std::vector<HWND> hiddenByMinimize_;
  std::string title_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> forms_;
  bool terminated_ = false;
  bool quitRequested_ = false;
  bool keepHidden_ = false;
  void (*exceptionSink_)(const char* message) = nullptr;
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
