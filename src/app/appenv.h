#pragma once
// Where the program and its per-user profile live.

#include <string>

namespace kv::app {

// The directory of the program file, ending with a separator: the running
// executable's directory, or argv[0]'s when there is no application object.
std::string ProgramDirectory(const char* argv0);

// The logged-on user's name: the account's name, else $USER or $LOGNAME; empty
// when none is known.
std::string LogonUserName();

// The profile file of user: home + "/" + user + ".korvida" when home is set and not
// empty, else appDirectory (ending with a separator) + user + ".korvida". No
// length limit applies.
std::string ComputeProfilePath(const char* home, const std::string& user,
                               const std::string& appDirectory);

}  // namespace kv::app
