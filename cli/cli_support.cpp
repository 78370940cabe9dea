#include "cli/cli_support.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <new>
#include <utility>

#include "toolkit/conventions.h"
#include "toolkit/exception.h"

namespace ombrisk::cli {

namespace {

constexpr const char* kSOutOfMemory = "メモリが不足しています";
constexpr int kBarWidth = 40;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::optional<std::string> TCommandLine::Value(const std::string& option) const {
  const auto found = Values.find(option);
  if (found == Values.end()) return std::nullopt;
  return found->second;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args, const TOptionSpec& options) {
  TCommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      line.Positionals.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (Contains(options.ValueOptions, name)) {
      if (equals != std::string::npos) {
        line.Values[name] = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        line.Values[name] = args[++i];
      } else {
        throw TUsageError("option '" + name + "' needs a value");
      }
      continue;
    }
    if ((name == "--help" || Contains(options.Flags, name)) && equals == std::string::npos) {
      line.Flags.insert(name);
      continue;
    }
    throw TUsageError("unknown option '" + arg + "'");
  }
  return line;
}

void RequirePositionals(const TCommandLine& line, const std::vector<std::string>& names) {
  if (line.Positionals.size() < names.size()) {
    throw TUsageError("missing " + names[line.Positionals.size()]);
  }
  if (line.Positionals.size() > names.size()) {
    throw TUsageError("unexpected argument '" + line.Positionals[names.size()] + "'");
  }
}

int ParseIntOption(const std::string& option, const std::string& text, int minimum, int maximum) {
  int value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end || value < minimum || value > maximum) {
    throw TUsageError("option '" + option + "' takes a whole number from " + std::to_string(minimum) + " to " +
                      std::to_string(maximum) + ", not '" + text + "'");
  }
  return value;
}

double ParseNumberOption(const std::string& option, const std::string& text) {
  double value = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end || !std::isfinite(value)) {
    throw TUsageError("option '" + option + "' takes a number, not '" + text + "'");
  }
  return value;
}

int ReportFailure(const std::string& message) {
  const std::string text = UserErrorText(message) + "\n";
  std::fputs(text.c_str(), stderr);
  return kExitFailure;
}

int ReportUsageError(const std::string& command, const std::string& message, const std::string& usage) {
  std::string text = "ombrisk-cli ";
  text += command;
  text += ": ";
  text += message;
  text += "\n";
  // The synopsis only: the "usage:" line and the indented lines that continue it.
  std::size_t begin = 0;
  while (begin < usage.size()) {
    const std::size_t end = std::min(usage.find('\n', begin), usage.size());
    const std::string line = usage.substr(begin, end - begin);
    if (begin > 0 && (line.empty() || line.front() != ' ')) break;
    text += line;
    text += "\n";
    begin = end + 1;
  }
  text += "Run 'ombrisk-cli ";
  text += command;
  text += " --help' for more.\n";
  std::fputs(text.c_str(), stderr);
  return kExitUsage;
}

int RunCommand(const std::string& command, const std::string& usage, const std::vector<std::string>& args,
               const std::function<int()>& body) {
  // --help wins over everything else on the line, even over arguments that are wrong.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help") {
      std::fputs(usage.c_str(), stdout);
      return kExitDone;
    }
  }
  try {
    return body();
  } catch (const TUsageError& error) {
    return ReportUsageError(command, error.what(), usage);
  } catch (const Exception& error) {
    return ReportFailure(error.Message());
  } catch (const std::bad_alloc&) {
    return ReportFailure(kSOutOfMemory);
  } catch (const std::exception& error) {
    return ReportFailure(error.what());
  }
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

TTerminalProgress::TTerminalProgress(std::FILE* stream, bool enabled, std::string label)
    : m_stream(stream), m_enabled(enabled && stream != nullptr), m_label(std::move(label)) {}

TTerminalProgress::~TTerminalProgress() { Finish(); }

void TTerminalProgress::SetMax(int maximum) {
  m_max = std::max(maximum, 0);
  m_shownPercent = -1;
}

void TTerminalProgress::SetPosition(int position) { Draw(position); }

std::string TTerminalProgress::BarText(int position) const {
  const int clamped = std::clamp(position, 0, std::max(m_max, 0));
  const int percent = m_max > 0 ? static_cast<int>(static_cast<long long>(clamped) * 100 / m_max) : 100;
  const int filled = percent * kBarWidth / 100;
  std::string text = m_label + " [";
  text.append(static_cast<std::size_t>(filled), '#');
  text.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  text += "] " + std::to_string(percent) + "%";
  return text;
}

void TTerminalProgress::Draw(int position) {
  if (!m_enabled) return;
  const int clamped = std::clamp(position, 0, m_max);
  const int percent = m_max > 0 ? static_cast<int>(static_cast<long long>(clamped) * 100 / m_max) : 100;
  if (percent == m_shownPercent) return;
  m_shownPercent = percent;
  std::fputc('\r', m_stream);
  std::fputs(BarText(position).c_str(), m_stream);
  std::fflush(m_stream);
  m_drawn = true;
}

void TTerminalProgress::Finish() {
  if (!m_drawn) return;
  m_drawn = false;
  std::fputs("\r\033[K", m_stream);
  std::fflush(m_stream);
}

}  // namespace ombrisk::cli
