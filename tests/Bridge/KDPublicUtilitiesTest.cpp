// The public utilities: size texts and file-system names against values worked out by hand, the user's
// "PrivateData" settings, the system version, programs run by argv, and disk descriptions from a sysfs tree.

#include "Bridge/KDPublicUtilities.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "Bridge/KDUIPublic.h"
#include "FakeSysfs.h"
#include "Platform/SettingsFile.h"
#include "Platform/StringPlist.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

struct SizeCase {
  std::int64_t bytes;
  const char* upToGigabytes;  // convertVolSpace
  const char* upToTerabytes;  // longlongDiskSize
};

TEST(PublicUtilities, SizeTexts) {
  const SizeCase cases[] = {
      {0, "0 byte", "0 byte"},
      {999, "999 byte", "999 byte"},
      {1000, "1.00 KB", "1.00 KB"},
      {1536, "1.54 KB", "1.54 KB"},
      {999999, "1000.00 KB", "1000.00 KB"},  // 999.999 rounds up in two decimals
      {1000000, "1.00 MB", "1.00 MB"},
      {2500000000, "2.50 GB", "2.50 GB"},
      {1000000000000, "1000.00 GB", "1.00 TB"},
      {5000000000000, "5000.00 GB", "5.00 TB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KDPublicUtilities::convertVolSpace(static_cast<std::uint64_t>(c.bytes)), c.upToGigabytes) << c.bytes;
    EXPECT_EQ(KDPublicUtilities::longlongDiskSize(c.bytes), c.upToTerabytes) << c.bytes;
    EXPECT_EQ(KDPublicUtilities::longlongConvertVolSpace(c.bytes), c.upToTerabytes) << c.bytes;
  }
}

TEST(PublicUtilities, TwoGigabyteLineAndSizesReadBack) {
  EXPECT_FALSE(KDPublicUtilities::isMoreThan2GB(999999));
  EXPECT_FALSE(KDPublicUtilities::isMoreThan2GB(2048000000));
  EXPECT_FALSE(KDPublicUtilities::isMoreThan2GB(2048999999));  // still 2048 whole millions
  EXPECT_TRUE(KDPublicUtilities::isMoreThan2GB(2049000000));

  const std::pair<const char*, std::int64_t> texts[] = {
      {"1.5 GB", 1500000000}, {"12 byte", 0},   {"2.00 KB", 2000},  {"-3 KB", -3},    {"0.5 MB", 500000},
      {"1 TB", 999999995904}, {"7 PB", 0},      {"", 0},            {"B", 0},
  };
  for (const auto& [text, bytes] : texts) EXPECT_EQ(KDPublicUtilities::volSpaceFromString(text), bytes) << text;
  EXPECT_EQ(KDPublicUtilities::volSpaceFromString(nullptr), 0);
}

TEST(PublicUtilities, FileSystemNames) {
  const char* names[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "EXFAT", "HFS+", "APFS", "Unknown"};
  for (int code = 0; code <= 10; ++code) {
    EXPECT_EQ(KDPublicUtilities::fileSystemTypeForInt(code, false, false), names[code]);
    EXPECT_EQ(KDPublicUtilities::fileSystemTypeForInt(code, false, true), names[code]);  // a qim image is no DMG
  }
  EXPECT_EQ(KDPublicUtilities::fileSystemTypeForInt(11, false, false), "Disk");
  EXPECT_EQ(KDPublicUtilities::fileSystemTypeForInt(-1, false, false), "Disk");
  EXPECT_EQ(KDPublicUtilities::fileSystemTypeForInt(8, true, false), "Disk Image");
}

class PrivateDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    installed_ = dir_ / "install/PrivateData.plist";
    user_ = dir_ / "config/Quellsy/PrivateData.plist";
    fs::create_directories(installed_.parent_path());
    KDPublicUtilities::SetPrivateDataPathsForTesting(installed_, user_);
  }
  void TearDown() override { KDPublicUtilities::SetPrivateDataPathsForTesting({}, {}); }

  TempDir dir_;
  fs::path installed_;
  fs::path user_;
};

TEST_F(PrivateDataTest, ReadsTheInstalledCopyAndWritesOnlyTheUsers) {
  EXPECT_EQ(KDPublicUtilities::getProductName(), std::nullopt);
  EXPECT_FALSE(KDPublicUtilities::isBootable());
  std::ofstream(installed_) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>PRODUCTNAME</key><string>Quellsy</string>
<key>INSTALL_VERSION</key><string>1.2.3</string>
<key>isBootable</key><string>YES</string>
</dict></plist>)";
  const auto installedBefore = ReadFile(installed_);
  EXPECT_EQ(KDPublicUtilities::getProductName(), "Quellsy");
  EXPECT_EQ(KDPublicUtilities::getInstallVersion(), "1.2.3");
  EXPECT_TRUE(KDPublicUtilities::isBootable());
  EXPECT_EQ(KDPublicUtilities::getUpDataTimeStr(), std::nullopt);

  ASSERT_TRUE(KDPublicUtilities::writeUpDataTimeStr("2026-12-10 05:00"));
  EXPECT_EQ(KDPublicUtilities::getUpDataTimeStr(), "2026-12-10 05:00");
  EXPECT_EQ(KDPublicUtilities::getProductName(), "Quellsy");  // carried over into the user's copy
  EXPECT_EQ(ReadFile(installed_), installedBefore);
  const auto stored = platform::ReadStringDictionary(user_);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->at("upDataTimeStr"), "2026-12-10 05:00");
  EXPECT_EQ((fs::status(user_.parent_path()).permissions() & fs::perms::others_all), fs::perms::none);
  // Only the renamed file is left: no temporary beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(user_.parent_path()), fs::directory_iterator()), 1);
}

// The link tables by language, lists and numbers of the installed copy survive a write of one text.
TEST_F(PrivateDataTest, WritingOneTextKeepsEveryOtherKindOfValue) {
  std::ofstream(installed_) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>en</key><dict><key>AboutURL</key><string>https://example.org/about</string></dict>
<key>SupportLanguage</key><array><string>en</string><string>de</string></array>
<key>VersionCheck</key><integer>12</integer>
</dict></plist>)";
  ASSERT_TRUE(KDPublicUtilities::writeUpDataTimeStr("2026-12-10 05:00"));
  const auto stored = platform::SettingsFile::Load(user_);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->GetTableString("en", "AboutURL"), "https://example.org/about");
  EXPECT_EQ(stored->GetStringList("SupportLanguage"), (std::vector<std::string>{"en", "de"}));
  EXPECT_EQ(stored->GetInteger("VersionCheck"), 12);
  EXPECT_EQ(stored->GetString("upDataTimeStr"), "2026-12-10 05:00");
}

// Dates read back as the windows show them.
TEST(PublicUtilities, DatesReadBackFromTheirDisplayText) {
  // Central European time with its summer time, as a POSIX rule: no time-zone database needed.
  ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 5 March 2024 14:07 in Berlin (UTC+1) is 13:07 UTC: 1709644020 seconds since 1970.
  EXPECT_EQ(KDPublicUtilities::convertDateFromString("5 March 2024 14:07"), 1709644020);
  // A summer time, through the display text: 1 July 2023 12:00 UTC.
  const std::int64_t summer = 1688212800;
  const auto fileTime = static_cast<std::uint64_t>(summer + 11644473600LL) * 10000000ULL;
  EXPECT_EQ(KDPublicUtilities::convertDateFromString(KDUIPublic::FormatFileTimeToString(fileTime)), summer);
  EXPECT_EQ(KDPublicUtilities::convertDateFromString("yesterday"), std::nullopt);
  EXPECT_EQ(KDPublicUtilities::convertDateFromString("5 March 2024 14:07 and more"), std::nullopt);
  EXPECT_EQ(KDPublicUtilities::convertDateFromString(""), std::nullopt);
}

TEST(PublicUtilities, SystemVersionFromTheKernelRelease) {
  const struct {
    const char* release;
    unsigned major, minor, bugFix;
    int result;
  } cases[] = {{"6.1.0-13-amd64", 6, 1, 0, 0}, {"5.15.133+", 5, 15, 133, 0}, {"6.13", 6, 13, 0, 0},
               {"weird", 10, 0, 0, -1}};
  for (const auto& c : cases) {
    unsigned major = 0, minor = 0, bugFix = 0;
    EXPECT_EQ(KDPublicUtilities::SystemVersionFromRelease(c.release, &major, &minor, &bugFix), c.result);
    EXPECT_EQ(major, c.major) << c.release;
    EXPECT_EQ(minor, c.minor) << c.release;
    EXPECT_EQ(bugFix, c.bugFix) << c.release;
  }
  EXPECT_EQ(KDPublicUtilities::SystemVersionFromRelease("6.1.0", nullptr, nullptr, nullptr), 0);
  unsigned major = 0, minor = 0;
  KDPublicUtilities::getSystemVersionMajor(&major, &minor, nullptr);
  EXPECT_EQ(KDPublicUtilities::getSystemVersion(), static_cast<int>(major * 100 + minor));
}

TEST(PublicUtilities, LanguageFromTheEnvironment) {
  const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::optional<std::string>> saved;
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved.push_back(value ? std::optional<std::string>(value) : std::nullopt);
    unsetenv(name);
  }
  EXPECT_EQ(KDPublicUtilities::GetCurrentLanaguage(), "en");
  setenv("LANG", "fr_FR.UTF-8", 1);
  EXPECT_EQ(KDPublicUtilities::GetCurrentLanaguage(), "fr");
  setenv("LANGUAGE", "de:en", 1);
  EXPECT_EQ(KDPublicUtilities::GetCurrentLanaguage(), "de");
  setenv("LANGUAGE", "C", 1);
  EXPECT_EQ(KDPublicUtilities::GetCurrentLanaguage(), "en");
  for (std::size_t i = 0; i < saved.size(); ++i) {
    if (saved[i]) setenv(names[i], saved[i]->c_str(), 1);
    else unsetenv(names[i]);
  }
}

// Arguments reach the program as they are: no shell reads them.
TEST(PublicUtilities, ExecCommandRunsArgvIntoAPrivateFolder) {
  fs::path folder;
  {
    const auto output = KDExecCommand({"printf", "%s|", "a b", "$(touch nope)", ";ls"});
    ASSERT_TRUE(output);
    folder = output->folder.path();
    EXPECT_EQ(output->exitStatus, 0);
    std::ifstream in(output->file);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "a b|$(touch nope)|;ls|");
    EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
  }
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(KDExecCommand({}));
  const auto missing = KDExecCommand({"no-such-program-here"});
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->exitStatus, -1);
}

TEST(PublicUtilities, DiskInfoFromSysfs) {
  TempDir root;
  FakeSysfs sys(root.path());
  sys.AddDisk({"sdb", "8:16", 7813120, "usb1/1-1/1-1:1.0/host6/target6:0:0/6:0:0:0", "Generic ", "Flash Disk  ", true,
               {{"sdb1", 1, 2048, 7811072}}});
  const auto disk = KDGetDiskInfo("sdb", sys.Root());
  ASSERT_TRUE(disk);
  EXPECT_EQ(disk->at("MediaName"), "Generic Flash Disk");
  EXPECT_EQ(disk->at("TotalSize"), "4000317440");  // 7813120 x 512
  EXPECT_EQ(disk->at("BusProtocol"), "USB");
  EXPECT_EQ(disk->at("Removable"), "YES");
  const auto partition = KDGetDiskInfo("sdb1", sys.Root());
  ASSERT_TRUE(partition);
  EXPECT_EQ(partition->at("ParentWholeDisk"), "sdb");
  EXPECT_EQ(partition->at("PartitionNumber"), "1");
  EXPECT_EQ(partition->at("TotalSize"), "3999268864");  // 7811072 x 512
  EXPECT_FALSE(KDGetDiskInfo("sdc", sys.Root()));
  EXPECT_FALSE(KDGetDiskInfo(nullptr, sys.Root()));
  EXPECT_FALSE(KDGetDiskInfo(std::string(64, 'a').c_str(), sys.Root()));
}

// A listener on this machine that answers, and a port where nobody listens.
TEST(PublicUtilities, ReachabilityProbe) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  socklen_t size = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
  const std::string port = std::to_string(ntohs(address.sin_port));
  std::thread server([listener] {
    const int client = accept(listener, nullptr, nullptr);
    char request[256];
    (void)!read(client, request, sizeof request);
    (void)!write(client, "HTTP/1.0 200 OK\r\n\r\n", 19);
    close(client);
  });
  EXPECT_TRUE(KDPublicUtilities::isCanBeUseNetWork("127.0.0.1", port));
  server.join();
  close(listener);
  EXPECT_FALSE(KDPublicUtilities::isCanBeUseNetWork("127.0.0.1", port));
}

}  // namespace
}  // namespace quellsy::test
