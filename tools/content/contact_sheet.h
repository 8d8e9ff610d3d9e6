#pragma once
// A contact sheet of the data folder as a PNG: every picture as the demo decodes it, with its name
// and size, and below them every caption row in the colour of its lettering, at half size, the part
// of the row its scene does not show dimmed. Throws ContentError when a file cannot be read or the
// sheet cannot be written.

#include "tools/content/lettering.h"

#include <filesystem>

namespace content {

void writeContactSheet(const std::filesystem::path& png, const std::filesystem::path& dataDir,
                       const std::filesystem::path& contentDir, Fonts& fonts);

}  // namespace content
