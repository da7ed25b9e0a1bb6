// The real backend's own work: pictures decoded from a found file's bytes (scaled when large), the icon of its
// type when the bytes cannot be read, and calls that reach the bridge.

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include "Bridge/BridgeServices.h"
#include "Bridge/ResultTrees.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Backend/ScriptedResults.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

std::vector<std::uint8_t> Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

TEST(BridgeBackend, PicturesFromBytesAreDecodedAndLargeOnesScaled) {
  QImage small(40, 30, QImage::Format_RGB32);
  small.fill(qRgb(10, 200, 30));
  const QImage back = BridgeBackend::DecodePicture(Encoded(small, "PNG"));
  ASSERT_EQ(back.size(), QSize(40, 30));
  EXPECT_EQ(back.pixel(20, 15), qRgb(10, 200, 30));
  QImage large(3000, 1500, QImage::Format_RGB32);
  large.fill(Qt::gray);
  EXPECT_EQ(BridgeBackend::DecodePicture(Encoded(large, "JPEG")).size(), QSize(1024, 512));
  EXPECT_TRUE(BridgeBackend::DecodePicture({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}).isNull());
  EXPECT_TRUE(BridgeBackend::DecodePicture({}).isNull());
}

TEST(BridgeBackend, AFileWhoseBytesCannotBeReadGetsItsTypesIcon) {
  bridge::SetTranslator(&Texts::Instance());
  ScriptedResults results;
  ScriptedResultShape shape;
  shape.topFolders = 1;
  shape.depth = 0;
  shape.filesPerFolder = 2;
  results.Make(shape);
  BridgeBackend backend;
  // No scan ran: no data-recovery object reads the photo, so its type's icon stands in.
  IFileNode* photo = results.AllFiles()[1];
  ASSERT_EQ(std::string(photo->GetFileName()).rfind("Photo", 0), 0u);
  EXPECT_EQ(backend.GetNSImageByFildNodeNSNumber(photo).size(), QSize(128, 128));
  EXPECT_TRUE(backend.GetNSImageByFildNodeNSNumber(nullptr).isNull());
  EXPECT_TRUE(backend.GetNSImageByNode(nullptr).isNull());
  bridge::SetTranslator(nullptr);
}

TEST(BridgeBackend, TheHoldOnTheResultTreesGoesThroughToTheBridge) {
  BridgeBackend backend;
  backend.KDSetFlag(1);
  EXPECT_TRUE(bridge::ResultTrees::Instance().HoldsBack());
  backend.StopSearch();
  EXPECT_FALSE(bridge::ResultTrees::Instance().HoldsBack());
  backend.KDSetFlag(1);
  backend.KDSetFlag(0);
  EXPECT_FALSE(bridge::ResultTrees::Instance().HoldsBack());
}

}  // namespace
}  // namespace quellsy::ui
