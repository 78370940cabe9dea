#include "app/error_display.h"

#include <QMessageBox>
#include <QString>
#include <new>

#include "toolkit/conventions.h"
#include "toolkit/exception.h"

namespace ombrisk {

void TMessageBoxErrorDisplay::ShowError(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(m_caption), QString::fromStdString(text),
                  QMessageBox::Ok);
  box.exec();
}

bool RunAction(TErrorDisplay& errors, const std::function<void()>& action) {
  std::string message;
  try {
    action();
    return true;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::bad_alloc&) {
    message = kSOutOfMemory;
  } catch (const std::exception& e) {
    message = e.what();
  }
  // Shown outside the handler so that the action's own clean-up has finished before a modal box runs.
  errors.ShowError(UserErrorText(message));
  return false;
}

}  // namespace ombrisk
