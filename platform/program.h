#pragma once
// The program's surroundings: where its data folder is, and how a failure reaches the user.

#include <string>

namespace platform {

// The folder the demo reads its pictures and music from: "data" in the working folder where that has
// one. Where the system may start the program in another folder (on Windows: Explorer, a shortcut, a
// command prompt elsewhere), the folder "data" beside the program when the working folder has none.
// Empty if neither has one: `looked` then names the folders looked in, for the report.
std::string findDataFolder(std::string& looked);

// A failure the user must see, in the words standard error has for it (one line, no line end). Where
// standard error reaches nobody (a Windows GUI program), the same text also goes into a message box
// titled "Velmorrow" with the error icon, and the call returns when the user has closed it; elsewhere
// it does nothing.
void showFailure(const std::string& text);

}  // namespace platform
