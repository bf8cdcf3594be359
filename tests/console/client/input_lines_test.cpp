// The console client's command input: lines cut at line ends, the end of the input no exit.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "console/client/input_lines.h"
#include "foundation/sys/event_loop.h"

namespace trqx {
namespace {

using namespace std::chrono_literals;

class InputLinesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::pipe(m_pipe), 0); }
  void TearDown() override {
    CloseWriter();
    ::close(m_pipe[0]);
  }
  void Write(const std::string& bytes) {
    ASSERT_EQ(::write(m_pipe[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void CloseWriter() {
    if (m_pipe[1] >= 0) {
      ::close(m_pipe[1]);
      m_pipe[1] = -1;
    }
  }
  bool AwaitLines(std::size_t count) {
    return m_loop.RunUntil([&] { return m_lines.size() >= count; }, 5s);
  }

  int m_pipe[2] = {-1, -1};
  ManualEventLoop m_loop;
  std::vector<std::string> m_lines;
};

TEST_F(InputLinesTest, LinesArriveWholeAndInOrderHoweverTheBytesAreCut) {
  InputLines input(m_pipe[0], m_loop, [&](const std::string& line) { m_lines.push_back(line); });
  Write("send /a b.csv\r\nconn");
  Write("ect\n\nexit\n");
  ASSERT_TRUE(AwaitLines(4));
  EXPECT_EQ(m_lines, (std::vector<std::string>{"send /a b.csv", "connect", "", "exit"}));
}

TEST_F(InputLinesTest, TheEndOfTheInputPassesTheLastLineAndEndsNothingElse) {
  {
    InputLines input(m_pipe[0], m_loop, [&](const std::string& line) { m_lines.push_back(line); });
    Write("reset");
    CloseWriter();
    ASSERT_TRUE(AwaitLines(1));
    EXPECT_EQ(m_lines, std::vector<std::string>{"reset"});
    // The reader waits for its stop now; the destructor must still end it.
  }
  EXPECT_EQ(m_loop.RunPending(), 0u);
}

TEST_F(InputLinesTest, StopsWhileWaitingForInputThatNeverComes) {
  InputLines input(m_pipe[0], m_loop, [&](const std::string& line) { m_lines.push_back(line); });
  // Destroyed with the writer open and nothing written: the reader is blocked in its wait.
}

TEST_F(InputLinesTest, AnEndlessLineIsDroppedInsteadOfHeld) {
  InputLines input(m_pipe[0], m_loop, [&](const std::string& line) { m_lines.push_back(line); });
  const std::string chunk(16 * 1024, 'x');
  for (int i = 0; i < 6; ++i) {
    Write(chunk);  // 96 KiB without a line end, more than any command
  }
  Write("tail\nexit\n");
  ASSERT_TRUE(AwaitLines(2));
  EXPECT_LT(m_lines[0].size(), 64u * 1024u);
  EXPECT_EQ(m_lines[1], "exit");
}

}  // namespace
}  // namespace trqx
