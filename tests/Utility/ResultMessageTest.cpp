// The words a person reads for a result code, with the code after them.

#include <gtest/gtest.h>

#include "Utility/ResultMessage.h"

namespace quellsy {
namespace {

TEST(ResultMessage, WordsThenTheCode) {
  struct Case {
    ResultCode code;
    const char* subject;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0x0104005700000401ULL, "sector 0 of card.img",
       "no FAT, exFAT, NTFS, HFS+ or APFS volume at sector 0 of card.img (0x0104005700000401)"},
      {MakeFailure(module::kEngineCli, 1, error::kImageIsFolder), "photos",
       "photos is a directory (0x0120000100000e02)"},
      {MakeFailure(module::kEngineCli, 2, error::kImageNotReadable), "disk.img",
       "cannot open disk.img: permission denied (0x0120000200000e03)"},
      {MakeFailure(module::kDataRecovery, 3, error::kDestinationOnScanned), "/mnt/x",
       "destination is on the scanned device (0x010d000300000d13)"},
      {MakeFailure(module::kDataRecovery, 4, error::kNoSpace), "",
       "no space left on the destination (0x010d000400000d04)"},
      {MakeFailure(module::kDataRecovery, 5, 0x7777), "x", "failed (0x010d000500007777)"},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeResult(c.code, c.subject), c.text);
}

// Two return points sharing an error number get words of their own; a code nobody registered keeps the table's.
TEST(ResultMessage, RegisteredWordsOfAnExactCodeComeFirst) {
  static constexpr ResultWords kWords[] = {
      {MakeFailure(module::kFATSearch, 0xD8, 7), "neither copy of the FAT could be used at %s"},
      {MakeFailure(module::kFATSearch, 0x88, 7), "no volume record"},
  };
  ResetResultWordsForTesting();
  RegisterResultWords(kWords);
  RegisterResultWords(kWords);
  EXPECT_EQ(DescribeResult(MakeFailure(module::kFATSearch, 0xD8, 7), "card.img"),
            "neither copy of the FAT could be used at card.img (0x010a00d800000007)");
  EXPECT_EQ(DescribeResult(MakeFailure(module::kFATSearch, 0x88, 7)), "no volume record (0x010a008800000007)");
  EXPECT_EQ(DescribeResult(MakeFailure(module::kFATSearch, 0x89, 7)),
            "the device carries no volume record (0x010a008900000007)");
  ResetResultWordsForTesting();
  EXPECT_EQ(DescribeResult(MakeFailure(module::kFATSearch, 0xD8, 7), "card.img"),
            "the device carries no volume record (0x010a00d800000007)");
}

}  // namespace
}  // namespace quellsy
