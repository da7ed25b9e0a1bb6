#include "Platform/WriteAll.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using platform::WriteAll;
using platform::WriteAllAt;

std::vector<std::uint8_t> Pattern(std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + i / 251);
  return bytes;
}

std::vector<std::uint8_t> ReadBack(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Interrupted(int) {}

// A timer keeps interrupting the writer while the pipe is full: each interrupted call returns early, with part
// of the buffer taken or none, and the loop must go on from the right byte.
TEST(WriteAll, EveryByteArrivesInOrderThroughAPipeThatATimerKeepsInterrupting) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::vector<std::uint8_t> sent = Pattern(8 << 20);
  struct sigaction action {};
  action.sa_handler = Interrupted;  // no SA_RESTART: a blocked write returns
  struct sigaction before {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &before), 0);
  // The reader never sees the signal: it is blocked while its thread starts and inherits the mask.
  sigset_t alarm;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, &alarm, &mask);
  std::vector<std::uint8_t> received;
  std::thread reader([&] {
    std::uint8_t chunk[4096];
    for (ssize_t n; (n = read(ends[0], chunk, sizeof chunk)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      received.insert(received.end(), chunk, chunk + n);
    }
  });
  pthread_sigmask(SIG_SETMASK, &mask, nullptr);
  itimerval every{{0, 200}, {0, 200}};
  setitimer(ITIMER_REAL, &every, nullptr);
  const bool written = WriteAll(ends[1], sent.data(), sent.size());
  itimerval stop{};
  setitimer(ITIMER_REAL, &stop, nullptr);
  sigaction(SIGALRM, &before, nullptr);
  close(ends[1]);
  reader.join();
  close(ends[0]);
  EXPECT_TRUE(written);
  EXPECT_TRUE(received == sent) << received.size() << " of " << sent.size() << " bytes arrived";
}

TEST(WriteAll, AtAnOffsetLeavesThePositionAndTheBytesAround) {
  const TempDir dir;
  const auto path = dir.path() / "file";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  const std::vector<std::uint8_t> head = Pattern(1000);
  ASSERT_TRUE(WriteAll(fd, head.data(), head.size()));
  const std::vector<std::uint8_t> middle(100, 0xAB);
  ASSERT_TRUE(WriteAllAt(fd, middle.data(), middle.size(), 300));
  EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 1000) << "the descriptor's position moved";
  ASSERT_TRUE(WriteAllAt(fd, middle.data(), middle.size(), 2000));
  close(fd);
  std::vector<std::uint8_t> expected = head;
  std::copy(middle.begin(), middle.end(), expected.begin() + 300);
  expected.resize(2000, 0);
  expected.insert(expected.end(), middle.begin(), middle.end());
  EXPECT_TRUE(ReadBack(path) == expected);
}

TEST(WriteAll, AFullDeviceFailsWithItsReason) {
  const int fd = open("/dev/full", O_WRONLY);
  ASSERT_GE(fd, 0) << "/dev/full";
  const std::vector<std::uint8_t> bytes(10, 1);
  errno = 0;
  EXPECT_FALSE(WriteAll(fd, bytes.data(), bytes.size()));
  EXPECT_EQ(errno, ENOSPC);
  errno = 0;
  EXPECT_FALSE(WriteAll(-1, bytes.data(), bytes.size()));
  EXPECT_EQ(errno, EBADF);
  EXPECT_TRUE(WriteAll(fd, bytes.data(), 0)) << "nothing to write is written";
  close(fd);
}

}  // namespace
}  // namespace quellsy::test
