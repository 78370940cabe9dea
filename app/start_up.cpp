#include "app/start_up.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/main_window.h"
#include "app/preview_window.h"
#include "app/sound_view_window.h"
#include "app/version_window.h"
#include "picture/load_picture.h"
#include "recording/recording_reader.h"
#include "toolkit/picture.h"
#include "toolkit/conventions.h"
#include "toolkit/version.h"

namespace ombrisk {

TOmbriskWindows::TOmbriskWindows(const TUiServices& services) {
  m_form1 = std::make_unique<TForm1>(services, m_forms);
  m_forms.Form1 = m_form1.get();
  m_form2 = std::make_unique<TForm2>(services);
  m_forms.Form2 = m_form2.get();
  m_form3 = std::make_unique<TForm3>();
  m_forms.Form3 = m_form3.get();
  m_viewer = std::make_unique<TSoundViewWindow>(services);
  m_forms.Viewer = m_viewer.get();
  m_form2->OnViewSound = [viewer = m_viewer.get()](const std::string& path) {
    viewer->ShowAbove();
    viewer->OpenFile(path);
  };
}

TOmbriskWindows::~TOmbriskWindows() = default;

void ShowMainWindow(const TOmbriskWindows& windows, const std::optional<std::string>& picture) {
  TForm1* form1 = windows.Forms().Form1;
  form1->show();
  // Queued, so the window is drawn first and an error box has it to sit over.
  if (picture) QTimer::singleShot(0, form1, [form1, fileName = *picture] { form1->OpenPicture(fileName); });
}

bool OpensAsSound(const std::string& path) {
  if (TPicture::FindExt(FileExtension(path)) != nullptr) return false;
  try {
    const TRecordingReader reader(path, 0);
    return true;
  } catch (const ERecordingError&) {
    return false;
  }
}

void ShowStartWindows(const TOmbriskWindows& windows, const TCommandLine& commandLine) {
  std::optional<std::string> sound = commandLine.Sound;
  if (!sound && commandLine.Picture && OpensAsSound(*commandLine.Picture)) sound = commandLine.Picture;
  if (!sound) {
    ShowMainWindow(windows, commandLine.Picture);
    return;
  }
  TSoundViewWindow* viewer = windows.Forms().Viewer;
  viewer->show();
  QTimer::singleShot(0, viewer, [viewer, fileName = *sound] { viewer->OpenFile(fileName); });
}

int ScreenBitsPerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->depth() : 24;
}

int RunOmbrisk(int argc, char** argv) {
  const std::string programPath = argc > 0 && argv[0] != nullptr ? argv[0] : "ombrisk";
  const TCommandLine commandLine =
      ParseCommandLine(argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{});
  switch (commandLine.Request) {
    case TCommandLine::TRequest::Version:
      std::printf("ombrisk %s\n", kOmbriskVersion);
      return 0;
    case TCommandLine::TRequest::Help:
      std::fputs(kOmbriskUsage, stdout);
      return 0;
    case TCommandLine::TRequest::Usage:
      std::fprintf(stderr, "ombrisk: %s\n%s", commandLine.Problem.c_str(), kOmbriskUsage);
      return 2;
    case TCommandLine::TRequest::Run:
      break;
  }
  // Qt gets the program's name only: its own options are not the program's.
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
  ShowStartWindows(windows, commandLine);
  return QApplication::exec();
}

}  // namespace ombrisk
