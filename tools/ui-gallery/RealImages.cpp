#include "RealImages.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QtCore/qtestsupport_core.h>
#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/ResultTrees.h"
#include "EnumDevice/EnumDeviceErrors.h"
#include "EnumDevice/EnumDeviceEx.h"
#include "Engines/BuiltInEngines.h"
#include "include/IStorageDeviceData.h"

namespace quellsy::gallery {
namespace {

// Generous bounds for what the gallery waits on: the images' making and the device list's enumeration.
constexpr int kMakeMs = 600000;
constexpr int kListMs = 120000;
// The fixture scripts' exit status for a capability the machine lacks.
constexpr int kNoCapability = 77;
const char* const kImageFiles[] = {"holiday-card.img", "office-disk.img"};

// The machine's enumeration with only the disks named (their kernel names) kept: the gallery shows its own
// images whatever else is attached.
class OnlyTheseDisks final : public IEnumDeviceEx {
 public:
  OnlyTheseDisks(IEnumDeviceEx& machine, std::set<std::string> names) : machine_(machine), names_(std::move(names)) {}

  ResultCode Init() override { return machine_.Init(); }
  ResultCode Uninit() override { return machine_.Uninit(); }
  ResultCode EnumDiskDevice(IStorageDevice** out, int& count) override {
    int all = 0;
    if (const ResultCode listed = machine_.EnumDiskDevice(nullptr, all); listed != kResultOk) return listed;
    std::vector<IStorageDevice*> disks(static_cast<std::size_t>(all));
    if (all > 0)
      if (const ResultCode copied = machine_.EnumDiskDevice(disks.data(), all); copied != kResultOk) return copied;
    std::erase_if(disks, [this](IStorageDevice* disk) { return !names_.contains(KernelName(disk)); });
    const int kept = static_cast<int>(disks.size());
    if (!out || count == 0) {
      if (!out) count = kept;
      return kResultOk;
    }
    if (count < kept) return enum_device::kArrayTooSmall;
    std::copy(disks.begin(), disks.end(), out);
    count = kept;
    return kResultOk;
  }
  ResultCode EnumPartitionDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override {
    return machine_.EnumPartitionDevice(disk, out, count);
  }
  ResultCode EnumVolumeDevice(const IStorageDevice* disk, IStorageDevice** out, int& count) override {
    return machine_.EnumVolumeDevice(disk, out, count);
  }
  std::shared_ptr<IStorageDevice> ShareDevice(const IStorageDevice* device) override {
    return machine_.ShareDevice(device);
  }
  void SetOptions(const EnumDeviceOptions& options) override { machine_.SetOptions(options); }

 private:
  static std::string KernelName(IStorageDevice* disk) {
    auto* data = dynamic_cast<IDiskDeviceData*>(disk->GetPrivateData());
    return data && data->GetDiskInfo() ? std::string(data->GetDiskInfo()->bsdName) : std::string();
  }

  IEnumDeviceEx& machine_;
  std::set<std::string> names_;
};

QString SourceFolder() {
  const QByteArray given = qgetenv("QUELLSY_SOURCE_DIR");
  return given.isEmpty() ? QStringLiteral(QUELLSY_GALLERY_SOURCE_DIR) : QString::fromLocal8Bit(given);
}

std::vector<ManifestFile> ReadManifest(const QString& path) {
  std::vector<ManifestFile> files;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return files;
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (line.startsWith(QLatin1Char('#')) || fields.size() < 4) continue;
    files.push_back({fields[0].toStdString(), fields[1].toULongLong(), fields[2].toStdString(),
                     fields[3] == QStringLiteral("1")});
  }
  return files;
}

// Attaches image read-only as a loop device that reads its partition table and is cleared once its last user
// closes it; the device stays open in fd. The reason when it cannot be.
QString AttachLoop(const QString& image, GalleryImage& into) {
  const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
  if (control < 0) return QStringLiteral("no loop devices here (/dev/loop-control: %1)").arg(strerror(errno));
  const int backing = open(QFile::encodeName(image).constData(), O_RDONLY | O_CLOEXEC);
  QString why = QStringLiteral("cannot open the image");
  // Another process may take the free device first: ask again a few times.
  for (int attempt = 0; backing >= 0 && attempt < 8 && into.loopFd < 0; ++attempt) {
    const int number = ioctl(control, LOOP_CTL_GET_FREE);
    if (number < 0) {
      why = QStringLiteral("no free loop device (%1)").arg(strerror(errno));
      break;
    }
    const QString name = QStringLiteral("loop%1").arg(number);
    const int loop = open(QFile::encodeName(QStringLiteral("/dev/") + name).constData(), O_RDONLY | O_CLOEXEC);
    if (loop < 0) {
      why = QStringLiteral("/dev/%1: %2").arg(name, QString::fromLocal8Bit(strerror(errno)));
      continue;
    }
    loop_config config{};
    config.fd = static_cast<__u32>(backing);
    config.block_size = 512;
    config.info.lo_flags = LO_FLAGS_READ_ONLY | LO_FLAGS_AUTOCLEAR | LO_FLAGS_PARTSCAN;
    const QByteArray path = QFile::encodeName(image);
    std::strncpy(reinterpret_cast<char*>(config.info.lo_file_name), path.constData(), LO_NAME_SIZE - 1);
    if (ioctl(loop, LOOP_CONFIGURE, &config) == 0) {
      into.loopFd = loop;
      into.loopName = name;
    } else {
      why = QStringLiteral("attaching /dev/%1 failed (%2)").arg(name, QString::fromLocal8Bit(strerror(errno)));
      close(loop);
    }
  }
  if (backing >= 0) close(backing);
  close(control);
  return into.loopFd >= 0 ? QString() : why;
}

}  // namespace

RealImages::RealImages() = default;

RealImages::~RealImages() {
  if (!backend_) return;
  // Whatever still reads the images lets go before the enumeration they came from goes.
  KDUIController::ResetForTests();
  bridge::ResultTrees::ResetForTests();
  KDUIRecovery::ResetForTests();
  KDUIScan::ResetForTests();
  KDUIDeviceData::ResetForTests();
  shown_.reset();
  machine_.reset();
  for (GalleryImage& image : images_)
    if (image.loopFd >= 0) close(image.loopFd);
}

const QString& RealImages::Prepare() {
  if (tried_) return problem_;
  tried_ = true;
  if (!folder_.isValid()) return problem_ = QStringLiteral("no temporary folder for the images");
  problem_ = Make();
  if (problem_.isEmpty()) problem_ = AttachOrOpen();
  if (problem_.isEmpty()) problem_ = List();
  return problem_;
}

QString RealImages::Make() {
  QProcess script;
  script.setProcessChannelMode(QProcess::MergedChannels);
  script.start(QStringLiteral("bash"), {SourceFolder() + QStringLiteral("/tools/ui-gallery/make-gallery-images.sh"),
                                        folder_.filePath(QStringLiteral("images"))});
  if (!QTest::qWaitFor([&] { return script.state() == QProcess::NotRunning; }, kMakeMs)) {
    script.kill();
    script.waitForFinished();
    return QStringLiteral("making the images took too long");
  }
  const QString output = QString::fromLocal8Bit(script.readAll()).trimmed();
  if (script.exitStatus() == QProcess::NormalExit && script.exitCode() == kNoCapability) {
    lacking_ = true;
    return QStringLiteral("this machine lacks a capability: ") + output.section(QLatin1Char('\n'), -1);
  }
  if (script.exitStatus() != QProcess::NormalExit || script.exitCode() != 0)
    return QStringLiteral("making the images failed: ") + output;
  for (const char* name : kImageFiles) {
    GalleryImage image;
    image.file = QString::fromLatin1(name);
    image.files = ReadManifest(folder_.filePath(QStringLiteral("images/") + image.file + QStringLiteral(".manifest")));
    if (image.files.empty()) return image.file + QStringLiteral(": its manifest lists no file");
    images_.push_back(std::move(image));
  }
  return {};
}

QString RealImages::AttachOrOpen() {
  RegisterBuiltInEngines();
  // The backend lists loop devices over image files as disk images.
  backend_ = std::make_unique<ui::BridgeBackend>();
  EnumDeviceOptions options;
  options.allowLoopDevices = true;
  machine_ = std::make_unique<CEnumDeviceEx>(options);
  QString why = geteuid() == 0 ? QString() : QStringLiteral("loop devices need root");
  std::set<std::string> names;
  for (GalleryImage& image : images_) {
    if (why.isEmpty()) why = AttachLoop(folder_.filePath(QStringLiteral("images/") + image.file), image);
    if (!image.loopName.isEmpty()) names.insert(image.loopName.toStdString());
  }
  shown_ = std::make_unique<OnlyTheseDisks>(*machine_, why.isEmpty() ? names : std::set<std::string>{});
  KDUIDeviceData::ResetForTests(shown_.get());
  if (why.isEmpty()) {
    howOpened_ = QStringLiteral("attached as read-only loop devices");
    return {};
  }
  for (GalleryImage& image : images_)
    if (image.loopFd >= 0) {
      close(image.loopFd);
      image.loopFd = -1;
      image.loopName.clear();
    }
  howOpened_ = QStringLiteral("opened as image files (%1)").arg(why);
  return {};
}

QString RealImages::List() {
  backend_->initFileType();
  backend_->SetRecoveryType(127);
  // Where the kernel lists a loop device's partition, its node follows a moment later; elsewhere the
  // enumeration reads the partition table itself.
  for (const GalleryImage& image : images_) {
    const QString partition = QStringLiteral("%1p1").arg(image.loopName);
    if (image.loopName.isEmpty() || !QFile::exists(QStringLiteral("/sys/block/%1/%2").arg(image.loopName, partition)))
      continue;
    if (!QTest::qWaitFor([&] { return QFile::exists(QStringLiteral("/dev/") + partition); }, kListMs))
      return QStringLiteral("/dev/") + partition + QStringLiteral(" did not appear");
  }
  backend_->NotifiyDeviceInfoAfterInit("galleryListed");
  if (!QTest::qWaitFor([] { return KDUIDeviceData::instance()->GetInitState() == KDUIDeviceData::kDone; }, kListMs))
    return QStringLiteral("the device list was not made in time");
  for (const GalleryImage& image : images_)
    if (image.loopName.isEmpty() &&
        !backend_->KDOpenDmgFile(folder_.filePath(QStringLiteral("images/") + image.file).toStdString()))
      return image.file + QStringLiteral(" cannot be opened as an image file");
  for (const GalleryImage& image : images_)
    if (!VolumeOf(image.file)) return image.file + QStringLiteral(" is not listed");
  return {};
}

std::shared_ptr<DiskVolumeNodeData> RealImages::VolumeOf(const QString& file) {
  for (const auto& disk : backend_->GetDeviceInfoToArray())
    if (QString::fromStdString(disk->name()) == file)
      return disk->numberOfChildren() > 0 ? disk->childAtIndex(0) : disk;
  return nullptr;
}

QString RealImages::NewDestination() {
  const QString name = ++destinations_ == 1 ? QStringLiteral("Recovered files")
                                            : QStringLiteral("Recovered files %1").arg(destinations_);
  const QString path = folder_.filePath(name);
  QDir().mkpath(path);
  return path;
}

}  // namespace quellsy::gallery
