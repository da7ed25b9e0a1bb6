// Thumbnails of files found by a real complete scan: a device holding a JPEG, a PNG and a TIFF made by ffmpeg,
// a camera raw with exiftool's tags and a movie made by ffmpeg is scanned block by block through the bridge,
// and each found file's thumbnail, made from the bytes the scan's data-recovery object reads, is checked against
// the original: the pictures against ffmpeg's own reading, the raw against its embedded preview, the movie for
// a frame of its shape.

#include <QImage>
#include <fstream>
#include <gtest/gtest.h>

#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Engines/BuiltInEngines.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/Thumbnails/ThumbnailDecoders.h"
#include "Utility/SizedStackThread.h"
#include "UI/Kit/Thumbnails/FfmpegPixels.h"
#include "UI/Backend/InstalledFileTypes.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"
#include "../../Bridge/FakeEnumDeviceEx.h"

namespace quellsy::ui {
namespace {

using namespace std::chrono_literals;
using test::FakeDisk;
using test::FakeVolume;

std::string LowerExtension(const char* name) {
  std::string extension = std::filesystem::path(name ? name : "").extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

class FoundFileThumbnails : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterBuiltInEngines();
    ASSERT_TRUE(test::UseInstalledFileTypes());
    KDUIScan::ResetForTests();
    KDUIRecovery::ResetForTests();
  }
  void TearDown() override {
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    KDUIDeviceData::ResetForTests();
    KDUIController::ResetForTests();
    test::ForgetFileTypes();
  }

  // Lists the device as one volume of an unknown file system, which gets a complete scan, and scans it.
  void ScanCompletely(std::vector<std::uint8_t> bytes) {
    FakeDisk disk{"Picture Card", "sdx", 1, DISK_BUS_USB, 0, {}, {}};
    FakeVolume volume{"CARD", FILE_SYSTEM_UNKNOWN, {}, "", 0, std::move(bytes)};
    volume.sectors = static_cast<long long>(volume.bytes.size() / 512);
    disk.sectors = volume.sectors + 2048;
    disk.volumes.push_back(std::move(volume));
    fake_ = std::make_unique<test::FakeEnumDeviceEx>(std::vector<FakeDisk>{disk});
    KDUIDeviceData::ResetForTests(fake_.get());
    KDUIDeviceData* list = KDUIDeviceData::instance();
    list->BeginInit();
    list->InitDeviceInfo();
    IStorageDevice* device = list->GetStorageByDiskVolumeIndex(0, 0);
    ASSERT_NE(device, nullptr);
    KDUIScan* scan = KDUIScan::instance();
    scan->SetStatus(OPERATION_STATUS_RUNNING);
    quellsy::ResultCode result = 1;
    SizedStackThread thread([&] { result = scan->DoScan(device, nullptr); });
    ASSERT_TRUE(thread.Started());
    thread.Join();
    ASSERT_EQ(result, quellsy::kResultOk);
    ASSERT_NE(scan->GetRecoveryController(), nullptr);
    ASSERT_NE(scan->GetRecoveryController()->thisType(), RECOVERY_CONTROLLER_QUICK);
  }

  // The found files by lower-case extension.
  std::map<std::string, IFileNode*> FoundByExtension() const {
    std::map<std::string, IFileNode*> found;
    for (IFileNode* node : KDUIScan::instance()->KDGetFileNodesSince(0))
      found[LowerExtension(node->GetFileName())] = node;
    return found;
  }

  std::unique_ptr<test::FakeEnumDeviceEx> fake_;
};

TEST_F(FoundFileThumbnails, PicturesARawAndAMovieFoundByACompleteScanShowWhatTheOriginalsShow) {
  const test::TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(test::RunFixture("tests/UI/Backend/make-found-pictures.sh", {dir.path().string()}));
  ASSERT_NO_FATAL_FAILURE(ScanCompletely(test::ReadFile(dir.path() / "device.img")));
  const auto found = FoundByExtension();
  for (const char* extension : {".jpg", ".png", ".tif", ".dng", ".mp4"})
    ASSERT_TRUE(found.count(extension)) << extension << " not found";

  BridgeBackend backend;
  const auto thumbnail = [&](const char* extension) {
    return backend.ThumbnailOfFileNode(found.at(extension), ThumbnailTicket(60s));
  };
  const std::vector<std::uint8_t> rgb = test::ReadFile(dir.path() / "photo.rgb");
  struct Case {
    const char* extension;
    int tolerance;  // JPEG decoders may round their colour conversion differently
  };
  for (const Case& c : {Case{".png", 0}, Case{".tif", 0}, Case{".jpg", 40}}) {
    SCOPED_TRACE(c.extension);
    const QImage image = thumbnail(c.extension);
    ASSERT_EQ(image.size(), QSize(320, 240));
    EXPECT_LE(test::LargestDifferenceFromFfmpeg(image, rgb), c.tolerance);
  }
  // The raw shows the preview that was embedded in it, not the 64 x 64 sensor data.
  const std::vector<std::uint8_t> preview = test::ReadFile(dir.path() / "preview.jpg");
  EXPECT_EQ(thumbnail(".dng"), DecodePictureBytes(preview));
  // The movie shows a frame of its shape, the one its original gives.
  const QImage frame = thumbnail(".mp4");
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(frame.size(), ThumbnailOfFile(dir.path() / "clip.mp4", ThumbnailLimits(), ThumbnailTicket(60s)).size());
  EXPECT_EQ(frame.width() * 3, frame.height() * 4);
}

}  // namespace
}  // namespace quellsy::ui
