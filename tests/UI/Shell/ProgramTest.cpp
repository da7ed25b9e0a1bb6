// The program started without a display that answers says so in one line and points at the engine harness.

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/CommandOutput.h"

namespace quellsy::test {
namespace {

TEST(Program, WithoutADisplayItSaysSoInOneLine) {
  int status = 0;
  const std::string output = CommandOutput(
      "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + ShellQuoted(QUELLSY_PROGRAM) + " 2>&1", status);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("no display"), std::string::npos) << output;
  EXPECT_NE(output.find("./quellsy.sh cli"), std::string::npos) << output;
}

// A display that is named but does not answer (no server at its socket) gets words too, not the toolkit's abort.
TEST(Program, WithADisplayThatDoesNotAnswerItSaysSoInOneLine) {
  int number = 64000;
  while (access(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), F_OK) == 0) ++number;
  int status = 0;
  const std::string output = CommandOutput("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:" +
                                               std::to_string(number) + " " + ShellQuoted(QUELLSY_PROGRAM) + " 2>&1",
                                           status);
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("no display answers (DISPLAY=:" + std::to_string(number)), std::string::npos) << output;
}

}  // namespace
}  // namespace quellsy::test
