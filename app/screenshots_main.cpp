// Screenshots of the desktop program for the README and for a person to look at. Run under an X
// server (scripts/screenshots.sh starts one):
//
//   ombrisk-screenshots OUTDIR          the real windows, driven through their controls: main.png with
//                                       a picture loaded, preview.png with a spectrogram,
//                                       preview-playing.png while it plays (needs a sound device), the
//                                       pointer on it, version.png, sound-options.png (with Smooth
//                                       chosen), error.png (the error box with a Japanese message),
//                                       open.png (the open dialog's preview pane with a picture),
//                                       open-none.png (with no picture), open-preview.png (its tool window),
//                                       viewer.png (the viewer at first sight on the picture made a
//                                       smooth 5 s sound at 48 kHz, 200-8000 Hz, the pointer on it)
//   ombrisk-screenshots --screen FILE   the whole screen, as it is now
//
// Dialogs are answered by script; any error shown ends the run with a non-zero status.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <map>

#include "app/error_display.h"
#include "app/file_dialog.h"
#include "app/image_control.h"
#include "app/main_window.h"
#include "app/picture_preview_pane.h"
#include "app/picture_preview_window.h"
#include "app/preview_window.h"
#include "app/radio_group.h"
#include "app/sound_options_window.h"
#include "app/sound_view_window.h"
#include "app/start_up.h"
#include "app/version_window.h"
#include "picture/load_picture.h"
#include "synthesis/shaped_sound.h"
#include "toolkit/progress.h"
#include "toolkit/conventions.h"

namespace {

using namespace ombrisk;

class TPrintedErrors : public TErrorDisplay {
public:
  void ShowError(const std::string& text) override {
    std::fprintf(stderr, "ombrisk-screenshots: the program showed the error: %s\n", text.c_str());
    m_failed = true;
  }
  bool Failed() const { return m_failed; }

private:
  bool m_failed = false;
};

class TScriptedDialogs : public TDialogRunner {
public:
  std::map<std::string, std::string> Answers;
  bool Run(TFileDialog& dialog, QWidget*) override {
    const auto answer = Answers.find(dialog.Name);
    if (answer == Answers.end()) return false;
    dialog.FileName = answer->second;
    return true;
  }
};

void Settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Grab(QWidget& window, const QString& path) {
  const QPixmap shot = window.screen()->grabWindow(window.winId());
  const bool saved = !shot.isNull() && shot.save(path, "PNG");
  std::fprintf(stderr, "ombrisk-screenshots: %s %s\n", saved ? "saved" : "could not save", qPrintable(path));
  return saved;
}

// Runs check every 50 ms while a modal window is open; then finishes it. Gives up after 20 s.
void WhenReady(const std::function<bool()>& ready, const std::function<void()>& then) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, ready, then] {
    if (!ready() && clock->elapsed() < 20000) return;
    timer->stop();
    Settle(300);
    then();
    timer->deleteLater();
    delete clock;
  });
  timer->start(50);
}

// A picture worth turning into sound: shapes and the product name, in colour (the loader greys it).
QString MakeDemoPicture(const QDir& folder) {
  QImage image(320, 200, QImage::Format_RGB888);
  image.fill(QColor(20, 20, 40));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(250, 200, 60));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(70, 70), 45, 45);
  painter.setBrush(QColor(90, 170, 255));
  painter.drawRect(150, 30, 140, 60);
  painter.setPen(QColor(255, 255, 255));
  QFont font;
  font.setPixelSize(48);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(0, 110, 320, 80), Qt::AlignCenter, QStringLiteral("Ombrisk"));
  painter.end();
  const QString path = folder.filePath(QStringLiteral("demo_picture.bmp"));
  image.save(path, "BMP");
  // Neighbours for the open dialog's list.
  image.save(folder.filePath(QStringLiteral("demo_picture.png")), "PNG");
  image.scaled(640, 400).save(folder.filePath(QStringLiteral("demo_picture_large.jpg")), "JPG");
  return path;
}

// Waits until the pane shows path, selecting it in the dialog; false after 10 s.
bool ShowInPane(QFileDialog& dialog, TPicturePreviewPane& pane, const QString& path) {
  dialog.selectFile(path);
  QElapsedTimer clock;
  clock.start();
  bool told = false;
  while (pane.ShownPath() != path && clock.elapsed() < 10000) {
    // The dialog's list fills in the background; until it holds the file, selecting it does nothing.
    if (!told && clock.elapsed() > 1000) {
      told = true;
      std::fprintf(stderr, "ombrisk-screenshots: the dialog did not select %s; telling the pane\n", qPrintable(path));
      pane.SelectionChanged(path);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return pane.ShownPath() == path;
}

// The open dialog as "&Load Picture" shows it, with its preview pane: a picture, its tool window,
// and a file that is no picture.
bool ShootOpenDialog(TForm1& form1, const QDir& folder, const QString& picture) {
  TFileDialog& open = form1.OpenPictureDialog1();
  open.FileName = picture.toStdString();
  QFileDialog dialog(&form1);
  SetUpQtDialog(dialog, open);
  auto* pane = dialog.findChild<TPicturePreviewPane*>();
  if (pane == nullptr) return false;
  dialog.resize(780, 440);
  dialog.show();
  Settle(500);
  bool saved = ShowInPane(dialog, *pane, picture);
  Settle(300);
  saved = Grab(dialog, folder.filePath(QStringLiteral("open.png"))) && saved;

  WhenReady([] { return qobject_cast<TPicturePreviewWindow*>(QApplication::activeModalWidget()) != nullptr; },
            [&] {
              QWidget* shown = QApplication::activeModalWidget();
              saved = Grab(*shown, folder.filePath(QStringLiteral("open-preview.png"))) && saved;
              shown->close();
            });
  pane->ShowPreviewWindow();

  // Named as a bitmap, but it is none.
  const QString broken = folder.filePath(QStringLiteral("not_a_picture.bmp"));
  QFile file(broken);
  saved = file.open(QIODevice::WriteOnly) && file.write("not a bitmap") > 0 && saved;
  file.close();
  saved = ShowInPane(dialog, *pane, broken) && saved;
  Settle(300);
  saved = Grab(dialog, folder.filePath(QStringLiteral("open-none.png"))) && saved;
  dialog.close();
  return saved;
}

// Plays the shown spectrogram's sound for a while, so the playhead stands well into the picture.
bool GrabPlaying(TForm2& form2, const QString& path) {
  auto* play = form2.findChild<QPushButton*>(QStringLiteral("PlayButton"));
  if (!play->isEnabled()) {
    std::fprintf(stderr, "ombrisk-screenshots: cannot play: %s\n",
                 play->toolTip().isEmpty() ? "no spectrogram" : qPrintable(play->toolTip()));
    return false;
  }
  play->click();
  // The pointer resting on the picture, as the read-out shows it.
  auto* image = form2.findChild<QWidget*>(QStringLiteral("Image1"));
  const QPointF pointer(120, 150);
  QMouseEvent move(QEvent::MouseMove, pointer, image->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(image, &move);
  Settle(2500);
  const bool saved = Grab(form2, path);
  play->click();
  return saved;
}

// The viewer at first sight on the demo picture made a smooth sound, with the read-out of a pixel
// under the pointer.
bool ShootViewer(TSoundViewWindow& viewer, const QString& picture, const QString& path) {
  const QString sound = QFileInfo(path).dir().filePath(QStringLiteral("viewer.wav"));
  TBitmap grey;
  LoadPicture(picture.toStdString(), grey);
  TNullProgress progress;
  RunSmoothSynthesis(grey, TSynthesisSettings{}, TShapedSound{5.0, 200.0, 8000.0, 48000}, sound.toStdString(), progress);
  viewer.resize(960, 600);
  viewer.show();
  Settle(300);
  if (!viewer.OpenFile(sound.toStdString())) return false;
  const auto waitExact = [&] {
    QElapsedTimer clock;
    clock.start();
    while (!viewer.Exact() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return viewer.Exact();
  };
  if (!waitExact()) return false;
  auto* plot = viewer.findChild<QWidget*>(QStringLiteral("ViewPlot"));
  const QPointF pointer(plot->width() / 2.0, plot->height() * 0.75);
  QMouseEvent move(QEvent::MouseMove, pointer, plot->mapToGlobal(pointer), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(plot, &move);
  Settle(300);
  const bool saved = Grab(viewer, path);
  viewer.close();
  return saved;
}

int GrabScreen(const QString& path) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap shot = screen != nullptr ? screen->grabWindow(0) : QPixmap();
  if (shot.isNull() || !shot.save(path, "PNG")) {
    std::fprintf(stderr, "ombrisk-screenshots: could not grab the screen into %s\n", qPrintable(path));
    return 1;
  }
  return 0;
}

int DriveWindows(const QDir& folder) {
  RegisterPictureFormats(ScreenBitsPerPixel());
  TPrintedErrors errors;
  TScriptedDialogs dialogs;
  const QString picture = MakeDemoPicture(folder);
  dialogs.Answers["OpenPictureDialog1"] = picture.toStdString();
  const TOmbriskWindows windows(TUiServices{errors, dialogs});
  TForm1& form1 = *windows.Forms().Form1;
  TForm2& form2 = *windows.Forms().Form2;
  TForm3& form3 = *windows.Forms().Form3;
  form1.show();
  Settle(500);

  form1.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
  form1.findChild<QLineEdit*>(QStringLiteral("Edit1"))
      ->setText(folder.filePath(QStringLiteral("ombrisk.wav")));
  form1.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
  Settle(300);
  bool saved = Grab(form1, folder.filePath(QStringLiteral("main.png")));

  WhenReady([&] { return !form2.Image1().Picture().Empty() || errors.Failed(); },
            [&] {
              saved = Grab(form2, folder.filePath(QStringLiteral("preview.png"))) && saved;
              saved = GrabPlaying(form2, folder.filePath(QStringLiteral("preview-playing.png"))) && saved;
              form2.close();
            });
  form1.findChild<QPushButton*>(QStringLiteral("Button3"))->click();

  WhenReady([&] { return form3.isVisible(); },
            [&] {
              saved = Grab(form3, folder.filePath(QStringLiteral("version.png"))) && saved;
              form3.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
            });
  form1.findChild<QPushButton*>(QStringLiteral("Button5"))->click();

  // Smooth chosen, so its fields show enabled; Cancel leaves the sound as drawn.
  TSoundOptionsWindow& soundOptions = form1.SoundOptions();
  WhenReady([&] { return soundOptions.isVisible(); },
            [&] {
              soundOptions.findChild<TRadioGroup*>(QStringLiteral("RadioGroup1"))->SetItemIndex(1);
              Settle(200);
              saved = Grab(soundOptions, folder.filePath(QStringLiteral("sound-options.png"))) && saved;
              soundOptions.findChild<QPushButton*>(QStringLiteral("Button2"))->click();
            });
  form1.findChild<QPushButton*>(QStringLiteral("Button6"))->click();

  saved = ShootOpenDialog(form1, folder, picture) && saved;
  saved = ShootViewer(*windows.Forms().Viewer, picture, folder.filePath(QStringLiteral("viewer.png"))) && saved;

  // The real error box, with a Japanese message, as a failed load shows it.
  TMessageBoxErrorDisplay box(ApplicationTitle("ombrisk"));
  WhenReady([] { return QApplication::activeModalWidget() != nullptr; },
            [&] {
              QWidget* shown = QApplication::activeModalWidget();
              saved = Grab(*shown, folder.filePath(QStringLiteral("error.png"))) && saved;
              shown->close();
            });
  box.ShowError(UserErrorText("拡張子 .txt の画像形式は処理できません"));
  return saved && !errors.Failed() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("--screen")) return GrabScreen(arguments[2]);
  if (arguments.size() != 2) {
    std::fputs("usage: ombrisk-screenshots OUTDIR | --screen FILE\n", stderr);
    return 2;
  }
  const QDir folder(arguments[1]);
  if (!folder.exists() && !QDir().mkpath(arguments[1])) {
    std::fprintf(stderr, "ombrisk-screenshots: cannot make %s\n", qPrintable(arguments[1]));
    return 1;
  }
  return DriveWindows(folder);
}
