#include "UI/Results/FoundFilePictures.h"

#include "Bridge/KDThumbnailSource.h"
#include "Bridge/OpNodeData.h"
#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

ThumbnailLoader::Fetch FoundFilePictureFetch() {
  return [](ThumbnailLoader::Key key, const ThumbnailTicket& ticket) {
    OpNodeData file(reinterpret_cast<IFileNode*>(static_cast<std::uintptr_t>(key)));
    return Backend().ThumbnailOfNode(&file, ticket);
  };
}

QImage FoundFileTypeIcon(const IFileNode* file) {
  const char* name = file ? file->GetFileName() : nullptr;
  return Backend().getImageForType(QString::fromStdString(KDThumbnailSource::LowerExtension(name ? name : "")));
}

}  // namespace quellsy::ui
