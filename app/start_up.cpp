#include "app/start_up.h"

#include <QApplication>
#include <QScreen>
#include <string>

#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/version_window.h"
#include "picture/load_picture.h"
#include "toolkit/conventions.h"

namespace ombrisk {

TOmbriskWindows::TOmbriskWindows(const TUiServices& services) {
  m_form1 = std::make_unique<TForm1>(services, m_forms);
  m_forms.Form1 = m_form1.get();
  m_form2 = std::make_unique<TForm2>(services);
  m_forms.Form2 = m_form2.get();
  m_form3 = std::make_unique<TForm3>();
  m_forms.Form3 = m_form3.get();
}

TOmbriskWindows::~TOmbriskWindows() = default;

int ScreenBitsPerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->depth() : 24;
}

int RunOmbrisk(int argc, char** argv) {
  const std::string programPath = argc > 0 && argv[0] != nullptr ? argv[0] : "ombrisk";
  // Qt gets the program's name only: the program takes no arguments, Qt's own options included.
  std::string qtProgramName = programPath;
  int qtArgc = 1;
  char* qtArgv[] = {qtProgramName.data(), nullptr};
  QApplication application(qtArgc, qtArgv);
  // Lets the desktop match the windows to the installed menu entry, and so to its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("ombrisk"));

  // The format registrations come before everything else, but the JPEG decoding depth depends on
  // the screen, and only the application object can ask the screen. So they run right after it
  // exists and before any window: the windows' open dialog takes its filter from the registry.
  RegisterPictureFormats(ScreenBitsPerPixel());

  TMessageBoxErrorDisplay errors(ApplicationTitle(programPath));
  TQtDialogRunner dialogs;
  const TUiServices services{errors, dialogs};
  const TOmbriskWindows windows(services);
  windows.Forms().Form1->show();
  return QApplication::exec();
}

}  // namespace ombrisk
