// The application's one error display. Every handler runs through RunAction: an exception that
// escapes it ends that action, and its text, under the period rule, goes to the display.
//
//   TMessageBoxErrorDisplay errors(ApplicationTitle(argv[0]));
//   RunAction(errors, [&] { LoadPicture(name, picture); });
#pragma once

#include <functional>
#include <string>

namespace ombrisk {

class TErrorDisplay {
public:
  virtual ~TErrorDisplay() = default;
  // Shows a failed action's text (the period rule already applied); returns once acknowledged.
  virtual void ShowError(const std::string& text) = 0;
};

// A modal message box with the error icon and an OK button, captioned with the application title.
class TMessageBoxErrorDisplay : public TErrorDisplay {
public:
  explicit TMessageBoxErrorDisplay(std::string caption) : m_caption(std::move(caption)) {}
  void ShowError(const std::string& text) override;
  const std::string& Caption() const { return m_caption; }

private:
  std::string m_caption;
};

// Shown for memory exhaustion, which carries no text of the system's own.
inline constexpr const char* kSOutOfMemory = "メモリが足りません";

// Runs action. Returns true when it ran to its end; false when it failed and the failure was shown.
bool RunAction(TErrorDisplay& errors, const std::function<void()>& action);

}  // namespace ombrisk
