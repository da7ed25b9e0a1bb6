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

}  // namespace
}  // namespace quellsy
