// The cases every family instantiates: a file found at its sector, measured and copied out; a header
// refused once spoiled.

#include <gtest/gtest.h>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"

namespace quellsy::test::formats {
namespace {

TEST_P(PlainAnalyserFiles, FoundAtItsSectorMeasuredAndCopiedOut) {
  const FileCase& c = GetParam();
  const Bytes file = c.file();
  ASSERT_FALSE(file.empty()) << "no sample for " << c.name;
  const ImageBuilder image = ImageAround(file, c.name, c.imageBytes);
  auto device = image.MakeDevice();
  auto analyser = c.make();

  const Carved carved = Carve(*analyser, *device, kPlacedAt);
  ASSERT_EQ(carved.claimed, 1);
  EXPECT_NE(carved.measured, 0);
  EXPECT_EQ(carved.type, c.type);
  EXPECT_EQ(carved.size, ExpectedSize(c.expect, file.size(), c.stated));
  ExpectCopiedOut(image, c.name, carved.size);

  // Neither the junk nor the zero sector before the file is taken for one (old Word and AU test no
  // more than the registry's key does).
  if (c.type != RAW_FILE_TYPE_DOC) {
    if (c.type != RAW_FILE_TYPE_AU) {
      EXPECT_EQ(Carve(*analyser, *device, 0).claimed, 0);
    }
    EXPECT_EQ(Carve(*analyser, *device, kPlacedAt - 1).claimed, 0);
  }
}

TEST_P(PlainAnalyserNearMisses, RefusedWhileTheUnspoiledFileIsTaken) {
  const NearMiss& c = GetParam();
  auto analyser = c.make();
  Bytes good = c.file();
  good.resize(std::max<std::size_t>(good.size(), 4096), 0);
  CRawFileInfo hit;
  EXPECT_EQ(analyser->AnalyseBuffer(good.data(), hit), 1);
  Bytes bad = good;
  c.spoil(bad);
  CRawFileInfo missed;
  EXPECT_EQ(analyser->AnalyseBuffer(bad.data(), missed), 0);
}

}  // namespace
}  // namespace quellsy::test::formats
