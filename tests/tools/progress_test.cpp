#include "tools/capture/progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string everythingWritten(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int ch; (ch = std::fgetc(file)) != EOF;) text += static_cast<char>(ch);
  return text;
}

// Off a terminal: a plain line at each tenth of the way and one at the end, no carriage returns.
TEST(Progress, OffATerminalPrintsAPlainLineAboutEveryTenth) {
  std::FILE* log = std::tmpfile();
  {
    capture::Progress progress(0, 1000, log, false);
    for (int clock = 0; clock <= 1000; clock += 5) progress.show(clock, clock / 5);
    progress.finish(201);
  }
  const std::string text = everythingWritten(log);
  std::fclose(log);
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10) << text;  // 10 %..90 %, then 100 %
  EXPECT_NE(text.find("velmorrow-capture:  50%"), std::string::npos) << text;
  EXPECT_NE(text.find("100%  1.0 / 1.0 s  201 frames written\n"), std::string::npos) << text;
}

// On a terminal the line is rewritten in place; one left open by a failure is ended, so the message
// that follows stands on a line of its own.
TEST(Progress, OnATerminalALineLeftOpenIsEndedWhenTheProgressGoes) {
  std::FILE* log = std::tmpfile();
  {
    capture::Progress progress(0, 1000, log, true);
    progress.show(500, 3);
  }
  const std::string text = everythingWritten(log);
  std::fclose(log);
  EXPECT_EQ(text.front(), '\r');
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

}  // namespace
