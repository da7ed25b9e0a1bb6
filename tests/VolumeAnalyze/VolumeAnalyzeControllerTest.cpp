#include "VolumeAnalyze/VolumeAnalyzeController.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "include/EngineRegistry.h"
#include "support/MemoryDevice.h"

namespace {

using quellsy::EngineRegistry;
using quellsy::VolumeProbe;

struct ProbeLog {
  std::vector<VolumeProbe> asked;
  int alive = 0;
  IStorageDevice* device = nullptr;
  unsigned long long firstSector = 0;
};

class FakeAnalyzer : public IVolumeAnalyze {
 public:
  FakeAnalyzer(ProbeLog& log, enumFILE_SYSTEM_TYPE type, const char* label) : m_log(log), m_type(type), m_label(label) {
    ++m_log.alive;
  }
  ~FakeAnalyzer() override { --m_log.alive; }
  enumFILE_SYSTEM_TYPE GetFileSystemType() override { return m_type; }
  unsigned long long GetTotalSector() override { return 100; }
  void GetLabel(char* buffer, int size) override { std::snprintf(buffer, static_cast<std::size_t>(size), "%s", m_label); }

 private:
  ProbeLog& m_log;
  enumFILE_SYSTEM_TYPE m_type;
  const char* m_label;
};

// Per probe: not registered (nullopt), registered but the engine declines (null), or an analyser of that type.
enum class Answer { kAbsent, kDeclines, kUnknown, kClaims };

struct Case {
  const char* name;
  std::array<Answer, quellsy::kVolumeProbeCount> answers;  // FAT, exFAT, NTFS, HFS+, APFS
  std::optional<VolumeProbe> winner;
};

constexpr std::array<enumFILE_SYSTEM_TYPE, quellsy::kVolumeProbeCount> kClaimedType = {
    FILE_SYSTEM_FAT32, FILE_SYSTEM_EXFAT, FILE_SYSTEM_NTFS, FILE_SYSTEM_HFSPLUS, FILE_SYSTEM_APFS};
constexpr const char* kLabels[] = {"FAT", "EXFAT", "NTFS", "HFS", "APFS"};

class VolumeProbeOrder : public testing::TestWithParam<Case> {
 protected:
  void TearDown() override { EngineRegistry::Instance().Reset(); }
};

TEST_P(VolumeProbeOrder, FirstRecognisingAnalyserWins) {
  EngineRegistry& registry = EngineRegistry::Instance();
  registry.Reset();
  ProbeLog log;
  // Registered backwards: the probe order, not the registration order, decides.
  for (std::size_t i = quellsy::kVolumeProbeCount; i-- > 0;) {
    const Answer answer = GetParam().answers[i];
    if (answer == Answer::kAbsent) continue;
    const auto probe = static_cast<VolumeProbe>(i);
    registry.RegisterVolumeAnalyzer(probe, [&log, answer, probe, i](IStorageDevice* device, unsigned long long first) {
      log.asked.push_back(probe);
      log.device = device;
      log.firstSector = first;
      if (answer == Answer::kDeclines) return static_cast<IVolumeAnalyze*>(nullptr);
      return static_cast<IVolumeAnalyze*>(
          new FakeAnalyzer(log, answer == Answer::kClaims ? kClaimedType[i] : FILE_SYSTEM_UNKNOWN, kLabels[i]));
    });
  }

  quellsy::test::MemoryDevice device(16, 512);
  std::unique_ptr<IVolumeAnalyzeController> controller(CreateVolumeAnalyzeController(&device, 7));
  ASSERT_NE(controller, nullptr);
  for (std::size_t k = 1; k < log.asked.size(); ++k) EXPECT_LT(log.asked[k - 1], log.asked[k]) << "probe order";
  if (!log.asked.empty()) {
    EXPECT_EQ(log.device, &device);
    EXPECT_EQ(log.firstSector, 7u);
  }

  IVolumeAnalyze* analyzer = controller->GetVolumeAnzlyzer();
  if (!GetParam().winner) {
    EXPECT_EQ(analyzer, nullptr);
  } else {
    ASSERT_NE(analyzer, nullptr);
    const auto index = static_cast<std::size_t>(*GetParam().winner);
    EXPECT_EQ(analyzer->GetFileSystemType(), kClaimedType[index]);
    char label[100] = {};
    analyzer->GetLabel(label, sizeof label);
    EXPECT_STREQ(label, kLabels[index]);
  }
  controller.reset();
  EXPECT_EQ(log.alive, 0) << "the controller destroys every analyser it holds";
}

constexpr Answer A = Answer::kAbsent, D = Answer::kDeclines, U = Answer::kUnknown, C = Answer::kClaims;

INSTANTIATE_TEST_SUITE_P(
    Cases, VolumeProbeOrder,
    testing::Values(Case{"NothingRegistered", {A, A, A, A, A}, std::nullopt},
                    Case{"NobodyRecognises", {U, D, U, U, D}, std::nullopt},
                    Case{"FatBeforeExfat", {C, C, U, U, U}, VolumeProbe::kFat},
                    Case{"ExfatAfterUnknownFat", {U, C, C, U, U}, VolumeProbe::kExfat},
                    Case{"NtfsBehindDecliners", {D, D, C, C, C}, VolumeProbe::kNtfs},
                    Case{"HfsPlusOnly", {U, D, D, C, U}, VolumeProbe::kHfsPlus},
                    Case{"ApfsLast", {U, D, D, U, C}, VolumeProbe::kApfs},
                    Case{"GapsInTheRegistry", {A, A, A, C, A}, VolumeProbe::kHfsPlus}),
    [](const testing::TestParamInfo<Case>& p) { return p.param.name; });

}  // namespace
