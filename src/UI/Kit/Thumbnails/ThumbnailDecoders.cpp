#include "UI/Kit/Thumbnails/ThumbnailDecoders.h"

#include <libraw/libraw.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <algorithm>
#include <fstream>
#include <vector>

#include "Platform/SpawnProgram.h"
#include "Platform/UserPaths.h"
#include "UI/Kit/TypeIcons.h"

namespace quellsy::ui {
namespace {

QString BareExtension(const QString& extension) {
  const auto dot = extension.lastIndexOf(QLatin1Char('.'));
  return (dot >= 0 ? extension.mid(dot + 1) : extension).toLower();
}

QImage Shrunk(QImage image, int maxSide) {
  if (image.isNull() || (image.width() <= maxSide && image.height() <= maxSide)) return image;
  return image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// LibRaw's progress calls: a non-zero answer cancels the decoding.
int CancelWhenExpired(void* data, enum LibRaw_progress, int, int) {
  return static_cast<const ThumbnailTicket*>(data)->Expired() ? 1 : 0;
}

QImage FromProcessed(const libraw_processed_image_t& image, const ThumbnailLimits& limits) {
  if (image.type == LIBRAW_IMAGE_JPEG)
    return DecodePictureBytes(std::span(image.data, static_cast<std::size_t>(image.data_size)), limits);
  if (image.type != LIBRAW_IMAGE_BITMAP || image.bits != 8 || (image.colors != 3 && image.colors != 1)) return {};
  const qsizetype stride = static_cast<qsizetype>(image.width) * image.colors;
  if (static_cast<std::uint64_t>(stride) * image.height > image.data_size) return {};
  const QImage view(image.data, image.width, image.height, stride,
                    image.colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
  return Shrunk(view.copy(), limits.maxSide);
}

struct ProcessedImage {
  explicit ProcessedImage(libraw_processed_image_t* image) : image_(image) {}
  ~ProcessedImage() {
    if (image_) LibRaw::dcraw_clear_mem(image_);
  }
  ProcessedImage(const ProcessedImage&) = delete;
  ProcessedImage& operator=(const ProcessedImage&) = delete;
  libraw_processed_image_t* image_;
};

// A JPEG whose data stop before its end marker is not shown half grey: the decoder would fill the rest in
// silently. Walks the segments by their lengths, then the entropy-coded data to the next marker, until EOI.
bool JpegIsComplete(std::span<const std::uint8_t> bytes) {
  std::size_t at = 2;
  while (at + 1 < bytes.size()) {
    if (bytes[at] != 0xFF) return false;
    const std::uint8_t marker = bytes[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xD9) return true;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (at + 3 >= bytes.size()) return false;
    const std::size_t length = (std::size_t{bytes[at + 2]} << 8) | bytes[at + 3];
    if (length < 2) return false;
    at += 2 + length;
    if (marker != 0xDA) continue;
    // Scan data: up to the next marker that is neither a stuffed zero nor a restart.
    while (at + 1 < bytes.size() &&
           !(bytes[at] == 0xFF && bytes[at + 1] != 0x00 && !(bytes[at + 1] >= 0xD0 && bytes[at + 1] <= 0xD7)))
      ++at;
  }
  return false;
}

}  // namespace

ThumbnailKind ThumbnailKindOfExtension(const QString& extension) {
  static const QStringList raws = {QStringLiteral("cr2"), QStringLiteral("crw"), QStringLiteral("nef"),
                                   QStringLiteral("arw"), QStringLiteral("sr2"), QStringLiteral("srf"),
                                   QStringLiteral("rw2"), QStringLiteral("raf"), QStringLiteral("orf"),
                                   QStringLiteral("dng"), QStringLiteral("dcr"), QStringLiteral("pef"),
                                   QStringLiteral("mrw"), QStringLiteral("x3f"), QStringLiteral("3fr"),
                                   QStringLiteral("kdc"), QStringLiteral("mos"), QStringLiteral("erf")};
  static const QStringList movies = {QStringLiteral("mov"), QStringLiteral("m4v"), QStringLiteral("mp4"),
                                     QStringLiteral("avi"), QStringLiteral("mkv"), QStringLiteral("webm"),
                                     QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("3gp"),
                                     QStringLiteral("wmv"), QStringLiteral("flv"), QStringLiteral("mts")};
  const QString bare = BareExtension(extension);
  if (bare.isEmpty()) return ThumbnailKind::kIcon;
  if (raws.contains(bare)) return ThumbnailKind::kCameraRaw;
  if (movies.contains(bare)) return ThumbnailKind::kMovie;
  if (QImageReader::supportedImageFormats().contains(bare.toLatin1()) || bare == QStringLiteral("jpeg") ||
      bare == QStringLiteral("tif"))
    return ThumbnailKind::kPicture;
  return ThumbnailKind::kIcon;
}

QImage DecodePictureBytes(std::span<const std::uint8_t> bytes, const ThumbnailLimits& limits) {
  if (bytes.empty() || bytes.size() > limits.maxBytes) return {};
  const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                  static_cast<qsizetype>(bytes.size()));
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setAutoTransform(true);
  const QSize size = reader.size();
  // A picture that declares no size, or one larger than the cap, is not decoded at all.
  if (!size.isValid() || size.isEmpty()) return {};
  if (static_cast<std::uint64_t>(size.width()) * static_cast<std::uint64_t>(size.height()) > limits.maxPixels) return {};
  if (size.width() > limits.maxSide || size.height() > limits.maxSide)
    reader.setScaledSize(size.scaled(limits.maxSide, limits.maxSide, Qt::KeepAspectRatio));
  if (reader.format() == "jpeg" && !JpegIsComplete(bytes)) return {};
  QImage image = reader.read();
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  return image;
}

QImage DecodeCameraRawBytes(std::span<const std::uint8_t> bytes, const ThumbnailLimits& limits,
                            const ThumbnailTicket& ticket) {
  if (bytes.empty() || bytes.size() > limits.maxBytes || ticket.Expired()) return {};
  // LibRaw reads from the buffer without changing it; it wants it writable in its signature only.
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  raw->imgdata.params.max_raw_memory_mb = 512;
  raw->set_progress_handler(CancelWhenExpired, const_cast<ThumbnailTicket*>(&ticket));
  if (raw->open_buffer(copy.data(), copy.size()) != LIBRAW_SUCCESS) return {};
  const auto pixels = static_cast<std::uint64_t>(raw->imgdata.sizes.raw_width) * raw->imgdata.sizes.raw_height;
  // The preview the camera embedded, when it holds one.
  if (raw->unpack_thumb() == LIBRAW_SUCCESS && !ticket.Expired()) {
    const auto& thumbnail = raw->imgdata.thumbnail;
    if (static_cast<std::uint64_t>(thumbnail.twidth) * thumbnail.theight <= limits.maxPixels) {
      int error = 0;
      const ProcessedImage made(raw->dcraw_make_mem_thumb(&error));
      if (made.image_) {
        QImage image = FromProcessed(*made.image_, limits);
        if (!image.isNull()) return Shrunk(image, limits.maxSide);
      }
    }
  }
  if (ticket.Expired() || pixels == 0 || pixels > limits.maxPixels) return {};
  // Else the raw data itself, at half size.
  raw->imgdata.params.half_size = 1;
  raw->imgdata.params.use_camera_wb = 1;
  if (raw->unpack() != LIBRAW_SUCCESS || ticket.Expired()) return {};
  if (raw->dcraw_process() != LIBRAW_SUCCESS || ticket.Expired()) return {};
  int error = 0;
  const ProcessedImage made(raw->dcraw_make_mem_image(&error));
  return made.image_ ? FromProcessed(*made.image_, limits) : QImage();
}

QImage MoviePosterFrame(const std::filesystem::path& path, const ThumbnailLimits& limits,
                        const ThumbnailTicket& ticket) {
  if (ticket.Expired()) return {};
  const auto folder = platform::PrivateTempDir::Make();
  if (!folder) return {};
  const auto frame = folder->path() / "frame.png";
  const std::string side = std::to_string(std::min(limits.maxSide, 512));
  // An absolute path, so that no name is taken for an option or a network address.
  std::error_code error;
  const std::filesystem::path input = std::filesystem::absolute(path, error);
  if (error) return {};
  const platform::LimitedRun run = platform::RunProgramWithTimeLimit(
      {"ffmpegthumbnailer", "-i", input.string(), "-o", frame.string(), "-s", side, "-c", "png"}, ticket.Left(),
      ticket.StopFlag());
  if (run.status != 0) return {};
  QFile file(QString::fromStdString(frame.string()));
  if (!file.open(QIODevice::ReadOnly) || file.size() <= 0 || static_cast<std::uint64_t>(file.size()) > limits.maxBytes)
    return {};
  const QByteArray data = file.readAll();
  return DecodePictureBytes(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                                      static_cast<std::size_t>(data.size())),
                            limits);
}

QImage MoviePosterFrameOfBytes(std::span<const std::uint8_t> bytes, const std::string& extension,
                               const ThumbnailLimits& limits, const ThumbnailTicket& ticket) {
  if (bytes.empty() || bytes.size() > limits.maxBytes || ticket.Expired()) return {};
  const auto folder = platform::PrivateTempDir::Make();
  if (!folder) return {};
  const std::string bare = BareExtension(QString::fromStdString(extension)).toStdString();
  const auto copy = folder->WriteFile(bare.empty() ? "movie" : "movie." + bare, bytes.data(), bytes.size());
  if (!copy) return {};
  return MoviePosterFrame(*copy, limits, ticket);
}

QImage ThumbnailFallback(const QString& extension) {
  QImage icon = TypeIcon(extension, QSize(128, 128));
  return icon.isNull() ? TypeIcon(QStringLiteral("txt"), QSize(128, 128)) : icon;
}

QImage DecodeThumbnail(ThumbnailKind kind, std::span<const std::uint8_t> bytes, const std::string& extension,
                       const ThumbnailLimits& limits, const ThumbnailTicket& ticket) {
  QImage image;
  switch (kind) {
    case ThumbnailKind::kPicture: image = DecodePictureBytes(bytes, limits); break;
    case ThumbnailKind::kCameraRaw:
      image = DecodeCameraRawBytes(bytes, limits, ticket);
      // Some raws (and layered pictures) are pictures Qt reads as well.
      if (image.isNull() && !ticket.Expired()) image = DecodePictureBytes(bytes, limits);
      break;
    case ThumbnailKind::kMovie: image = MoviePosterFrameOfBytes(bytes, extension, limits, ticket); break;
    case ThumbnailKind::kIcon: break;
  }
  return image.isNull() ? ThumbnailFallback(QString::fromStdString(extension)) : image;
}

QImage ThumbnailOfFile(const std::filesystem::path& path, const ThumbnailLimits& limits,
                       const ThumbnailTicket& ticket) {
  const std::string extension = path.extension().string();
  const ThumbnailKind kind = ThumbnailKindOfExtension(QString::fromStdString(extension));
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > limits.maxBytes || kind == ThumbnailKind::kIcon)
    return ThumbnailFallback(QString::fromStdString(extension));
  if (kind == ThumbnailKind::kMovie) {
    const QImage frame = MoviePosterFrame(path, limits, ticket);
    return frame.isNull() ? ThumbnailFallback(QString::fromStdString(extension)) : frame;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
    return ThumbnailFallback(QString::fromStdString(extension));
  return DecodeThumbnail(kind, bytes, extension, limits, ticket);
}

}  // namespace quellsy::ui
