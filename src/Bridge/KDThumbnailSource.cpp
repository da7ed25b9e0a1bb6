#include "Bridge/KDThumbnailSource.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIFilter.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/NodeLock.h"
#include "include/IFileReader.h"
#include "Utility/CatchExeception.h"
#include "include/IRecoveryController.h"

namespace {

bool IsOneOf(const std::string& extension, std::initializer_list<const char*> list) {
  return std::any_of(list.begin(), list.end(), [&](const char* item) { return extension == item; });
}

// The extension when it is plain letters and digits (it becomes part of a file name), else none.
std::string SafeExtension(const std::string& extension) {
  const bool plain = extension.size() > 1 && extension.size() <= 16 &&
                     std::all_of(extension.begin() + 1, extension.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
  return plain ? extension : std::string();
}

std::mutex& MovieLock() {
  static std::mutex lock;
  return lock;
}

// A reader of node made under the node lock: it takes the node's size and runs as they stand, and a scan still
// running may amend them only afterwards.
IFileReader* ReaderOf(IDataRecovery* recovery, IFileNode* node) {
  const std::lock_guard<std::mutex> hold(quellsy::bridge::NodeLock());
  return recovery->SetRecoverNode(node);
}

std::optional<ThumbnailCopy> CopyThrough(IDataRecovery* recovery, IFileNode* node, const ThumbnailPlan& plan) {
  auto folder = quellsy::platform::PrivateTempDir::Make();
  if (!folder) return std::nullopt;
  IFileReader* reader = ReaderOf(recovery, node);
  if (!reader) return std::nullopt;
  reader->Release();
  auto file = folder->path() / ("thumbnail" + SafeExtension(plan.extension));
  if (recovery->RecoverTo(file.c_str(), nullptr, static_cast<int>(plan.byteLimit)) != 0) return std::nullopt;
  return ThumbnailCopy{std::move(*folder), std::move(file)};
}

}  // namespace

std::string KDThumbnailSource::LowerExtension(const std::string& name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string::npos) return {};
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

ThumbnailPlan KDThumbnailSource::PlanThumbnail(_FILTER_TYPE type, const std::string& name, std::uint64_t size) {
  ThumbnailPlan plan{ThumbnailRoute::kIcon, 0, LowerExtension(name)};
  const std::string& extension = plan.extension;
  if (type == FILTER_TYPE_MOVIE) {
    if (!IsOneOf(extension, {".mov", ".m4v", ".mp4", ".avi"})) return plan;
    plan.route = ThumbnailRoute::kMovie;
    plan.byteLimit = extension == ".avi" && size <= kMaxWholeAviBytes ? size : std::min(size, kMovieBytes);
    return plan;
  }
  const bool fits = size > 0 && size <= kMaxPictureBytes;
  if (IsOneOf(extension, {".rw2", ".sr2", ".cr2", ".dng", ".dcr"})) {
    if (fits) plan = {ThumbnailRoute::kRawPreview, size, extension};
    return plan;
  }
  if (IsOneOf(extension, {".arw", ".psd"}) && fits) {
    // The previewer first; a picture only when it is one.
    plan.route = type == FILTER_TYPE_PICTURE ? ThumbnailRoute::kRawPreviewOrPicture : ThumbnailRoute::kRawPreview;
    plan.byteLimit = size;
    return plan;
  }
  if (type == FILTER_TYPE_PICTURE && fits) plan = {ThumbnailRoute::kPicture, size, extension};
  return plan;
}

ThumbnailPlan KDThumbnailSource::PlanForNode(IFileNode* node) {
  IRecoveryFilter* filter = KDUIFilter::instance()->GetFilter();
  if (!node || !filter) return {};
  const std::lock_guard<std::mutex> hold(quellsy::bridge::NodeLock());
  const auto size = node->GetFileSize();
  return PlanThumbnail(filter->GetNodeFileType(node), node->GetFileName() ? node->GetFileName() : "",
                       size > 0 ? static_cast<std::uint64_t>(size) : 0);
}

IDataRecovery* KDThumbnailSource::DataRecoveryForNode(IFileNode* node) {
  if (!node) return nullptr;
  IRecoveryController* controller = KDUIScan::instance()->GetRecoveryController();
  if (!controller) return nullptr;
  if (controller->thisType() != RECOVERY_CONTROLLER_QUICK) {
    KDUIRecovery* recovery = KDUIRecovery::instance();
    if (recovery->CheckWhetherNeedReset()) recovery->ResetParam();
    return recovery->GetDataRecoveryByType(KDCPPPublic::instance()->GetNodeSearcheType(node));
  }
  return KDUIScan::instance()->GetFileNodeDataRecover(node);
}

std::optional<std::vector<std::uint8_t>> KDThumbnailSource::ReadNodeBytes(IDataRecovery* recovery, IFileNode* node,
                                                                         std::uint64_t limit) {
  if (!recovery || !node) return std::nullopt;
  IFileReader* reader = ReaderOf(recovery, node);
  if (!reader) return std::nullopt;
  const long long size = reader->GetDataSize();
  const auto length =
      std::min<std::uint64_t>({limit, size > 0 ? static_cast<std::uint64_t>(size) : 0, kMaxPictureBytes});
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
  std::size_t done = 0;
  bool failed = false;
  while (done < bytes.size() && !failed) {
    int error = 0;
    const auto piece = static_cast<unsigned int>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    const unsigned int got =
        reader->ReadData(static_cast<long long>(done), reinterpret_cast<char*>(bytes.data() + done), piece, &error);
    failed = error != 0 || got == 0;
    done += got;
  }
  reader->Release();
  if (failed) return std::nullopt;
  return bytes;
}

std::optional<ThumbnailCopy> KDThumbnailSource::CopyForPreview(IDataRecovery* recovery, IFileNode* node,
                                                               const ThumbnailPlan& plan) {
  if (!recovery || !node || plan.byteLimit == 0 || plan.byteLimit > kMaxPictureBytes) return std::nullopt;
  switch (plan.route) {
    case ThumbnailRoute::kMovie: {
      std::lock_guard guard(MovieLock());
      auto copy = CopyThrough(recovery, node, plan);
      if (!copy) CatchExeception::WriteLog("----Recovery Failed----\r\n");
      return copy;
    }
    case ThumbnailRoute::kRawPreview:
    case ThumbnailRoute::kRawPreviewOrPicture:
      return CopyThrough(recovery, node, plan);
    case ThumbnailRoute::kIcon:
    case ThumbnailRoute::kPicture:
      break;
  }
  return std::nullopt;
}
