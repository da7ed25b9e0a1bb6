#pragma once
// The disk images the gallery's real-image states show, made at draw time by make-gallery-images.sh (mkfs.fat
// and mtools, mkntfs and ntfs-3g, ffmpeg), with their manifests; attached as read-only loop devices where the
// gallery runs as root and the machine has them, else opened as image files the way the program opens a disk
// image. The real bridge's backend over them, its device list holding these images alone. Everything is taken
// down with the object: the loop devices are attached to be cleared by the kernel once their last user closes
// them, so a gallery that dies leaves none behind.

#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "UI/Backend/BridgeBackend.h"

class IEnumDeviceEx;
class DiskVolumeNodeData;

namespace quellsy::gallery {

struct ManifestFile {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
};

struct GalleryImage {
  QString file;  // the image file's name, e.g. "holiday-card.img"
  std::vector<ManifestFile> files;
  int loopFd = -1;  // the attached loop device, held open; -1 when opened as an image file
  QString loopName;  // "loopN", empty when opened as an image file
};

class RealImages {
 public:
  RealImages();
  ~RealImages();
  RealImages(const RealImages&) = delete;
  RealImages& operator=(const RealImages&) = delete;

  // Makes the images and lists them on first use (waiting in the event loop); the problem, empty when ready.
  const QString& Prepare();
  // Whether the problem is a capability the machine lacks (FUSE mounts) rather than a fault.
  bool Lacking() const { return lacking_; }
  // "attached as loop devices" or why they were opened as image files instead.
  const QString& HowOpened() const { return howOpened_; }
  ui::BridgeBackend& Backend() { return *backend_; }
  const std::vector<GalleryImage>& Images() const { return images_; }
  // Whether the images are attached as loop devices (else opened as image files, which are scanned whole).
  bool Attached() const { return !images_.empty() && !images_.front().loopName.isEmpty(); }
  // The first volume of the listed image whose file is named file (an image opened as a file has none: the
  // image itself); null when it is not listed.
  std::shared_ptr<DiskVolumeNodeData> VolumeOf(const QString& file);
  // An empty folder of the run's own to recover into ("Recovered files", then "Recovered files 2", ...).
  QString NewDestination();

 private:
  QString Make();
  QString AttachOrOpen();
  QString List();

  bool tried_ = false;
  bool lacking_ = false;
  QString problem_;
  QString howOpened_;
  QTemporaryDir folder_;
  int destinations_ = 0;
  std::vector<GalleryImage> images_;
  std::unique_ptr<ui::BridgeBackend> backend_;
  std::unique_ptr<IEnumDeviceEx> machine_;
  std::unique_ptr<IEnumDeviceEx> shown_;
};

}  // namespace quellsy::gallery
