#pragma once
// Setting and clearing environment variables in a test, the same way on every system (each system's
// calls are in environment_posix.cpp and environment_win32.cpp).

#include <string>

namespace testsupport {

void setEnvironment(const std::string& name, const std::string& value);
void unsetEnvironment(const std::string& name);

}  // namespace testsupport
