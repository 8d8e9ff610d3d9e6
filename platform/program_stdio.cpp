// The program's surroundings where it is started from a terminal or a desktop entry in its own folder
// (Linux, the portable build): the data folder is the working folder's, and standard error is seen.

#include "platform/program.h"

namespace platform {

std::string findDataFolder(std::string&) { return "data"; }

void showFailure(const std::string&) {}

}  // namespace platform
