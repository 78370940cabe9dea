// The program-wide references to the windows, filled as start-up creates them, and the
// services every window reaches its user through.
#pragma once

namespace ombrisk {

class TForm1;
class TForm2;
class TForm3;
class TSoundViewWindow;
class TErrorDisplay;
class TDialogRunner;

struct TForms {
  TForm1* Form1 = nullptr;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TSoundViewWindow* Viewer = nullptr;
};

struct TUiServices {
  TErrorDisplay& Errors;
  TDialogRunner& Dialogs;
};

}  // namespace ombrisk
