#pragma once
// The arguments of a stand-in. The driver starts the programs the user
// registered through the shell, without arguments; a stand-in started
// without any therefore reads them from the file beside it named like the
// program with the extension ".args" (one line in the form of a command line,
// UTF-8), when there is one.
#include <string>
#include <vector>

namespace simcommon {

// The arguments after the program path.
[[nodiscard]] std::vector<std::wstring> ProgramArgs();

}  // namespace simcommon
