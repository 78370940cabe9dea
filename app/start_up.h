// Start-up of the desktop program and the three windows it keeps until the end.
//
//   int main(int argc, char** argv) { return ombrisk::RunOmbrisk(argc, argv); }
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/forms.h"

namespace ombrisk {

class TForm1;
class TForm2;
class TForm3;

// The windows, each made once, in this order: the main window, then the preview and the version
// window, both hidden. They live until this object goes; the main window's handlers reach the
// other two through Forms().
class TOmbriskWindows {
public:
  explicit TOmbriskWindows(const TUiServices& services);
  ~TOmbriskWindows();
  TOmbriskWindows(const TOmbriskWindows&) = delete;
  TOmbriskWindows& operator=(const TOmbriskWindows&) = delete;

  const TForms& Forms() const { return m_forms; }

private:
  TForms m_forms;
  std::unique_ptr<TForm1> m_form1;
  std::unique_ptr<TForm2> m_form2;
  std::unique_ptr<TForm3> m_form3;
};

// Shows the main window. A picture, when given, is loaded once the event loop runs, as
// "&Load Picture" loads the dialog's choice: a failure goes to the error box over the shown window.
void ShowMainWindow(const TOmbriskWindows& windows, const std::optional<std::string>& picture);

// The screen's bits per pixel, 24 when there is no screen to ask.
int ScreenBitsPerPixel();

// The whole program: the command line (--version and --help answer without a display), the
// application object, the registrations, the windows, then the event loop until the main window
// closes. The program's own name gives the title; an optional picture is loaded after start-up.
int RunOmbrisk(int argc, char** argv);

}  // namespace ombrisk
