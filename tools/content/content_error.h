#pragma once
// The one error type of the content tool: something in content/ (or a font) that stops the build.
// what() reads "SOURCE: PROBLEM", where SOURCE names the file (with ":LINE" when a line is at fault),
// so the tool can print it as its one line of explanation.

#include <stdexcept>
#include <string>

namespace content {

class ContentError : public std::runtime_error {
 public:
  ContentError(const std::string& source, const std::string& problem) : std::runtime_error(source + ": " + problem) {}
};

}  // namespace content
