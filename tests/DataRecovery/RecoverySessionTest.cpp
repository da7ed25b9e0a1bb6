// Copying found files into a destination that may hold links, may already hold the names, and may fill up: nothing
// lands outside it, nothing is replaced, and what is left says truthfully how complete it is.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/RecoverySession.h"
#include "DataRecovery/RecoveryTestSupport.h"
#include "Utility/TimeUtil.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCluster = 4096;
constexpr std::size_t kMiB = 1u << 20;

struct RecoveryDeleter {
  void operator()(CDataRecovery* recovery) const { recovery->Release(); }
};

// Every regular file and link below root, relative to it.
std::vector<std::string> Entries(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (!entry.is_directory() || entry.is_symlink()) found.push_back(entry.path().lexically_relative(root).string());
  std::sort(found.begin(), found.end());
  return found;
}

// A volume tree vol/docs/{a.txt, b.txt} and vol/empty.txt on a device of 4 KiB clusters.
class Session : public testing::Test {
 protected:
  void SetUp() override {
    searcher.records.push_back(Record(8, 0, FILE_SYSTEM_FAT32));
    ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);
    fs::create_directories(destination);
    fs::create_directories(outside);
    ASSERT_EQ(target.Open(destination.string(), ""), kResultOk);
    a = File("a.txt", 10000, 1, 10);
    b = File("b.txt", 5000, 2, 20);
    empty = std::make_unique<RunNode>(0, std::vector<DataRun>{});
    empty->m_name = "empty.txt";
    ASSERT_EQ(root.AddChild(&docs), 1);
    ASSERT_EQ(docs.AddChild(a.get()), 1);
    ASSERT_EQ(docs.AddChild(b.get()), 1);
    ASSERT_EQ(root.AddChild(empty.get()), 1);
  }
  void TearDown() override {
    docs.RemoveChild(a.get());
    docs.RemoveChild(b.get());
    root.RemoveChild(empty.get());
    root.RemoveChild(&docs);
  }

  std::unique_ptr<RunNode> File(const std::string& name, std::size_t size, std::uint32_t seed, long long cluster) {
    const Bytes data = PatternBytes(size, seed);
    device.Put(static_cast<std::size_t>(cluster) * kCluster, data);
    contents[name] = data;
    auto node = std::make_unique<RunNode>(
        static_cast<long long>(size),
        std::vector<DataRun>{{cluster, static_cast<long long>((size + kCluster - 1) / kCluster)}});
    node->m_name = name;
    return node;
  }

  MemoryDevice device{static_cast<long long>(16 * kMiB / 512), 512};
  FakeSearcher searcher;
  std::unique_ptr<CDataRecovery, RecoveryDeleter> recovery{CreateDataRecoveryObj()};
  TempDir dir;
  const fs::path destination = dir / "dest";
  const fs::path outside = dir / "outside";
  RecoveryDestination target;
  TestFileNode root{"vol", true};
  TestFileNode docs{"docs", true};
  std::unique_ptr<RunNode> a, b, empty;
  std::map<std::string, Bytes> contents;
};

TEST_F(Session, LinksInTheDestinationAreNeverFollowed) {
  struct Case {
    const char* what;
    const char* link;    // inside the destination
    const char* target;  // what it points at (relative to the link's folder)
    std::vector<std::string> written;
  };
  const std::vector<Case> cases = {
      {"a folder link in place of a folder",
       "vol/docs",
       "../../outside",
       {"vol/docs", "vol/docs_0001/a.txt", "vol/docs_0001/b.txt", "vol/empty.txt"}},
      {"a folder link in place of the root",
       "vol",
       "../outside",
       {"vol", "vol_0001/docs/a.txt", "vol_0001/docs/b.txt", "vol_0001/empty.txt"}},
      {"a dangling file link",
       "vol/docs/a.txt",
       "../../../outside/planted",
       {"vol/docs/a.txt", "vol/docs/a_0001.txt", "vol/docs/b.txt", "vol/empty.txt"}},
      {"a file link to a file outside",
       "vol/empty.txt",
       "../../outside/victim",
       {"vol/docs/a.txt", "vol/docs/b.txt", "vol/empty.txt", "vol/empty_0001.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& entry : fs::directory_iterator(destination)) fs::remove_all(entry.path());
    fs::remove_all(outside);
    fs::create_directories(outside);
    WriteFile(outside / "victim", {1, 2, 3});
    fs::create_directories((destination / c.link).parent_path());
    fs::create_symlink(c.target, destination / c.link);

    RecoverySession session(target);
    int renamed = 0;
    for (IFileNode* node :
         {static_cast<IFileNode*>(a.get()), static_cast<IFileNode*>(b.get()), static_cast<IFileNode*>(empty.get())}) {
      const RecoverySession::Outcome outcome = session.Recover(*recovery, node, nullptr);
      EXPECT_EQ(outcome.kind, RecoverySession::Kind::kCopied) << outcome.diskPath;
      renamed += outcome.renamed ? 1 : 0;
      const fs::path written = destination / outcome.writtenPath;
      EXPECT_FALSE(fs::is_symlink(written)) << outcome.writtenPath;
      EXPECT_EQ(ReadFile(written), contents[node->GetFileName()]) << outcome.writtenPath;
    }
    EXPECT_EQ(Entries(destination), c.written);
    EXPECT_GE(renamed, 1) << "the clash is reported";
    EXPECT_EQ(session.Copied(), 3);
    EXPECT_EQ(session.Renamed(), renamed);
    // Outside the destination nothing changed.
    EXPECT_EQ(Entries(outside), std::vector<std::string>{"victim"});
    EXPECT_EQ(ReadFile(outside / "victim"), (Bytes{1, 2, 3}));
    EXPECT_TRUE(fs::is_symlink(destination / c.link));
  }
}

TEST_F(Session, NamesAlreadyTakenGetNumberedNamesAndFolderTimesAreSet) {
  docs.m_created = UnixSecondsToFileTime(1'100'000'000);
  a->m_created = UnixSecondsToFileTime(1'200'000'000);
  fs::create_directories(destination / "vol" / "docs");
  WriteFile(destination / "vol" / "docs" / "a.txt", {9});
  RecoverySession session(target);
  const RecoverySession::Outcome first = session.Recover(*recovery, a.get(), nullptr);
  EXPECT_EQ(first.writtenPath, "vol/docs/a_0001.txt");
  EXPECT_TRUE(first.renamed);
  EXPECT_EQ(ReadFile(destination / "vol" / "docs" / "a.txt"), Bytes{9}) << "an existing file is never replaced";
  EXPECT_EQ(ModificationTime(destination / first.writtenPath).tv_sec, 1'200'000'000);
  const RecoverySession::Outcome second = session.Recover(*recovery, b.get(), nullptr);
  EXPECT_EQ(second.writtenPath, "vol/docs/b.txt");
  EXPECT_FALSE(second.renamed);
  EXPECT_EQ(ModificationTime(destination / "vol" / "docs").tv_sec, 1'100'000'000);
}

TEST_F(Session, AZeroLengthFileIsRecoveredAsAnEmptyFile) {
  RecoverySession session(target);
  const RecoverySession::Outcome outcome = session.Recover(*recovery, empty.get(), nullptr);
  EXPECT_EQ(outcome.kind, RecoverySession::Kind::kCopied);
  EXPECT_EQ(outcome.result, kResultOk);
  ASSERT_TRUE(fs::is_regular_file(destination / "vol" / "empty.txt"));
  EXPECT_EQ(fs::file_size(destination / "vol" / "empty.txt"), 0u);
  EXPECT_EQ(session.Copied(), 1);
  EXPECT_EQ(session.Failed(), 0);
  // The path form too.
  EXPECT_EQ(recovery->RecoverNodeTo(empty.get(), (dir / "plain-empty").c_str(), nullptr, 0), kResultOk);
  EXPECT_EQ(fs::file_size(dir / "plain-empty"), 0u);
}

TEST_F(Session, ALossyCopyIsMarkedAndAFailedOneLeavesNothing) {
  RecoverySession session(target);
  // A failed read in a's only run: zeros in its place, kept under a name saying so.
  device.FailSectors(10 * 8, 1);
  const RecoverySession::Outcome lossy = session.Recover(*recovery, a.get(), nullptr);
  EXPECT_EQ(lossy.kind, RecoverySession::Kind::kIncomplete);
  EXPECT_EQ(lossy.writtenPath, "vol/docs/a.incomplete.txt");
  EXPECT_FALSE(fs::exists(destination / "vol" / "docs" / "a.txt"));
  // The file is one chunk, and a chunk whose read fails is zeros; the size stays whole.
  EXPECT_EQ(ReadFile(destination / lossy.writtenPath), Bytes(contents["a.txt"].size(), 0));

  // A file-size limit makes every write of b fail: nothing of it stays.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const RecoverySession::Outcome failed = session.Recover(*recovery, b.get(), nullptr);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(failed.kind, RecoverySession::Kind::kFailed);
  EXPECT_EQ(failed.result, CDataRecovery::kRecoverShortWrite);
  EXPECT_EQ(failed.error, EFBIG) << "the system's reason comes with the failure";
  EXPECT_TRUE(failed.writtenPath.empty());
  EXPECT_FALSE(session.DestinationFull());
  EXPECT_EQ(Entries(destination), std::vector<std::string>{"vol/docs/a.incomplete.txt"});
  EXPECT_EQ(session.Incomplete(), 1);
  EXPECT_EQ(session.Failed(), 1);
}

}  // namespace
}  // namespace quellsy::test
