// Start-up of the desktop program and the windows it keeps until the end.
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
class TSoundViewWindow;
struct TCommandLine;

// The windows, each made once, in this order: the main window, then the preview, the version
// window and the viewer, all three hidden. They live until this object goes; the main window's
// handlers reach the others through Forms(), the preview's "&View..." the viewer.
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
  std::unique_ptr<TSoundViewWindow> m_viewer;
};

// Shows the main window. A picture, when given, is loaded once the event loop runs, as
// "&Load Picture" loads the dialog's choice: a failure goes to the error box over the shown window.
void ShowMainWindow(const TOmbriskWindows& windows, const std::optional<std::string>& picture);

// Whether path is to open in the viewer: not a file the picture registry takes by its extension,
// and one libsndfile reads.
bool OpensAsSound(const std::string& path);

// The first window: the viewer on the sound --view names, or on a FILE that opens as a sound;
// otherwise the main window as ShowMainWindow shows it. The viewer opens its file once the event
// loop runs, a failure going to the error box over the shown window.
void ShowStartWindows(const TOmbriskWindows& windows, const TCommandLine& commandLine);

// The screen's bits per pixel, 24 when there is no screen to ask.
int ScreenBitsPerPixel();

// The whole program: the command line (--version and --help answer without a display), the
// application object, the registrations, the windows, then the event loop until the main window
// closes. The program's own name gives the title; an optional picture is loaded after start-up.
int RunOmbrisk(int argc, char** argv);

}  // namespace ombrisk
