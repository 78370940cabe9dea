// Start-up of the desktop program and the three windows it keeps until the end.
//
//   int main(int argc, char** argv) { return ombrisk::RunOmbrisk(argc, argv); }
#pragma once

#include <memory>

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

// The screen's bits per pixel, 24 when there is no screen to ask.
int ScreenBitsPerPixel();

// The whole program: registrations, application object, windows, then the event loop until the
// main window closes. Reads no argument besides the program's own name, which gives the title.
int RunOmbrisk(int argc, char** argv);

}  // namespace ombrisk
