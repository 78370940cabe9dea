// What every ombrisk-cli command shares: splitting its arguments, reporting a failure the way the
// desktop program shows it, and a progress bar on stderr.
//
//   return RunCommand("synth", kUsage, [&] { const TCommandLine line = ParseCommandLine(args, options); ...; return 0; });
//
// Exit status: 0 done, 1 the run failed (the message on stderr under the period rule), 2 a usage
// error (what was wrong and the command's usage on stderr).
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/progress.h"

namespace ombrisk::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Wrong arguments: reported with the usage text and exit status 2.
class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The options a command knows: flags stand alone, value options take the next argument (or
// "--name=value").
struct TOptionSpec {
  std::vector<std::string> Flags;
  std::vector<std::string> ValueOptions;
};

struct TCommandLine {
  std::vector<std::string> Positionals;
  std::set<std::string> Flags;
  std::map<std::string, std::string> Values;

  bool Has(const std::string& flag) const { return Flags.count(flag) != 0; }
  std::optional<std::string> Value(const std::string& option) const;
};

// Arguments starting with "--" are options; "--" ends them, so later names may start with dashes.
// "--help" is always known. Raises TUsageError for an unknown option or a value option without value.
TCommandLine ParseCommandLine(const std::vector<std::string>& args, const TOptionSpec& options);

// Requires exactly count positional arguments, naming them in the error.
void RequirePositionals(const TCommandLine& line, const std::vector<std::string>& names);

// A whole decimal number within minimum … maximum, else TUsageError naming the option.
int ParseIntOption(const std::string& option, const std::string& text, int minimum, int maximum);

// A finite decimal number, the whole text, else TUsageError naming the option and the text.
double ParseNumberOption(const std::string& option, const std::string& text);

// Prints the message as the desktop program's error box shows it (period rule) and a newline on
// stderr; returns kExitFailure.
int ReportFailure(const std::string& message);
// Prints "ombrisk-cli COMMAND: MESSAGE", the usage's synopsis lines and a pointer to --help on
// stderr; returns kExitUsage.
int ReportUsageError(const std::string& command, const std::string& message, const std::string& usage);

// Runs body and turns what escapes it into the exit status: TUsageError 2, any other failure 1
// (memory exhaustion with the toolkit's out-of-memory text). "--help" among args prints the usage
// on stdout and returns 0 without running body.
int RunCommand(const std::string& command, const std::string& usage, const std::vector<std::string>& args,
               const std::function<int()>& body);

bool StderrIsTerminal();

// A one-line bar redrawn in place, only when enabled (stderr is a terminal and --quiet was not
// given) and only when the shown percentage changes. The line is cleared by Finish or on destruction.
class TTerminalProgress : public TProgressSink {
public:
  TTerminalProgress(std::FILE* stream, bool enabled, std::string label);
  ~TTerminalProgress() override;
  TTerminalProgress(const TTerminalProgress&) = delete;
  TTerminalProgress& operator=(const TTerminalProgress&) = delete;

  void SetMax(int maximum) override;
  void SetPosition(int position) override;
  void Finish();

  // The text drawn for a position, without the leading carriage return; for tests.
  std::string BarText(int position) const;

private:
  void Draw(int position);

  std::FILE* m_stream;
  bool m_enabled;
  std::string m_label;
  int m_max = 0;
  int m_shownPercent = -1;
  bool m_drawn = false;
};

}  // namespace ombrisk::cli
