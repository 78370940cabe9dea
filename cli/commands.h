// The sub-commands of ombrisk-cli. Each takes the arguments after its name and returns the exit
// status: 0 done, 1 the run failed (message on stderr), 2 a usage error.
#pragma once

#include <string>
#include <vector>

namespace ombrisk::cli {

int RunSynth(const std::vector<std::string>& args);
int RunGrey(const std::vector<std::string>& args);
int RunAnalyze(const std::vector<std::string>& args);
int RunResynth(const std::vector<std::string>& args);

struct TCommandLine;
// analyze --editable, after the arguments were split.
int RunEditableAnalysis(const TCommandLine& line);
int RunView(const std::vector<std::string>& args);

}  // namespace ombrisk::cli
