#pragma once
// The headless half of thumbnails: which found files get a picture, through which data-recovery object their
// bytes are read, and how many bytes. The windows decode or render what this hands them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Platform/UserPaths.h"
#include "include/IDataRecovery.h"
#include "include/IFileNode.h"
#include "include/IRecoveryFilter.h"

enum class ThumbnailRoute {
  kIcon,                  // the system icon of the extension
  kPicture,               // the file's bytes decoded as a picture
  kRawPreview,            // a copy rendered by the system's previewer
  kRawPreviewOrPicture,   // the previewer first; a picture when it gives nothing
  kMovie,                 // the first bytes copied, a frame rendered by the previewer
};

struct ThumbnailPlan {
  ThumbnailRoute route = ThumbnailRoute::kIcon;
  std::uint64_t byteLimit = 0;  // bytes to read or copy
  std::string extension;        // lower case, with its dot; "" without one
};

// A found file's first bytes copied for the system's previewer, in a private folder removed with this object.
struct ThumbnailCopy {
  quellsy::platform::PrivateTempDir folder;
  std::filesystem::path file;  // "thumbnail" and the file's extension, so the previewer knows the format
};

class KDThumbnailSource {
 public:
  // Pictures above this are never read.
  static constexpr std::uint64_t kMaxPictureBytes = 0x6400000;
  // Bytes of a movie copied for its frame; an AVI keeps its index at the end, so one up to 50 MiB is copied whole.
  static constexpr std::uint64_t kMovieBytes = 0x200000;
  static constexpr std::uint64_t kMaxWholeAviBytes = 0x3200000;

  KDThumbnailSource() = delete;

  // The extension of a name from its last ".", in lower case.
  static std::string LowerExtension(const std::string& name);
  // What to do for a file of this type group, name and size.
  static ThumbnailPlan PlanThumbnail(_FILTER_TYPE type, const std::string& name, std::uint64_t size);
  // The plan for a found file: its type from the held filter; null node or no filter: the icon.
  static ThumbnailPlan PlanForNode(IFileNode* node);

  // The data-recovery object that reads the node after the current scan: the recovery driver's for the node's
  // searcher after a complete scan, the scan's own after a quick one; null without a scan.
  static IDataRecovery* DataRecoveryForNode(IFileNode* node);
  // The first `limit` bytes of the node through `recovery` (fewer when the file is shorter); nothing when no
  // reader is given or a read fails.
  static std::optional<std::vector<std::uint8_t>> ReadNodeBytes(IDataRecovery* recovery, IFileNode* node,
                                                                std::uint64_t limit);
  // The plan's bytes of the node copied through `recovery` (movies one at a time); nothing when the plan copies
  // nothing or the copy fails ("----Recovery Failed----" is logged for a movie).
  static std::optional<ThumbnailCopy> CopyForPreview(IDataRecovery* recovery, IFileNode* node,
                                                     const ThumbnailPlan& plan);
};
