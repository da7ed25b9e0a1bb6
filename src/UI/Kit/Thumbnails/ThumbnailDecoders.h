#pragma once
// Pictures of files, made from their bytes without any window: pictures through Qt's image readers (TIFF
// through the image-format plugins), camera raws through LibRaw (the embedded preview first, else a
// half-size rendering), movies through a frame taken by ffmpegthumbnailer, run by its argument vector. Every
// decoder refuses input above a size cap and pictures above a pixel cap, gives up when its ticket expires and
// answers a null image for anything it cannot read; ThumbnailOfFile then gives the type's icon. Any thread.

#include <QImage>
#include <QString>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "UI/Kit/Thumbnails/ThumbnailTicket.h"

namespace quellsy::ui {

struct ThumbnailLimits {
  std::uint64_t maxBytes = 0x6400000;          // 100 MiB of input at most
  std::uint64_t maxPixels = 100ull * 1000 * 1000;  // a declared picture larger than this is not decoded
  int maxSide = 1024;                          // the longest side of the result
  std::chrono::milliseconds timeLimit{10000};  // per thumbnail
};

enum class ThumbnailKind { kIcon, kPicture, kCameraRaw, kMovie };

// By extension ("jpg", ".CR2", "clip.mp4" alike).
ThumbnailKind ThumbnailKindOfExtension(const QString& extension);

QImage DecodePictureBytes(std::span<const std::uint8_t> bytes, const ThumbnailLimits& limits = {});
QImage DecodeCameraRawBytes(std::span<const std::uint8_t> bytes, const ThumbnailLimits& limits,
                            const ThumbnailTicket& ticket);
// A frame of the movie at path (a file the caller made or owns).
QImage MoviePosterFrame(const std::filesystem::path& path, const ThumbnailLimits& limits,
                        const ThumbnailTicket& ticket);
// A movie's first bytes copied into a private folder (a new file, its name made safe, removed afterwards),
// then its frame.
QImage MoviePosterFrameOfBytes(std::span<const std::uint8_t> bytes, const std::string& extension,
                               const ThumbnailLimits& limits, const ThumbnailTicket& ticket);

// What a file of that kind looks like: its picture, else the icon of its type (size 128).
QImage ThumbnailFallback(const QString& extension);
QImage DecodeThumbnail(ThumbnailKind kind, std::span<const std::uint8_t> bytes, const std::string& extension,
                       const ThumbnailLimits& limits, const ThumbnailTicket& ticket);
// A file on disk, read up to the size cap.
QImage ThumbnailOfFile(const std::filesystem::path& path, const ThumbnailLimits& limits,
                       const ThumbnailTicket& ticket);

}  // namespace quellsy::ui
