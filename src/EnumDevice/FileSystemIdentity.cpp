#include "EnumDevice/FileSystemIdentity.h"

#include <cstring>
#include <memory>

#include "VolumeAnalyze/VolumeAnalyzeController.h"

namespace quellsy {

enumFILE_SYSTEM_TYPE IdentifyFileSystem(IStorageDevice* device, char (&label)[100]) {
  std::memset(label, 0, sizeof label);
  std::unique_ptr<IVolumeAnalyzeController> controller(CreateVolumeAnalyzeController(device, 0));
  IVolumeAnalyze* analyzer = controller ? controller->GetVolumeAnzlyzer() : nullptr;
  if (!analyzer) return FILE_SYSTEM_UNKNOWN;
  // Analysers need not terminate the label: the last byte stays NUL.
  analyzer->GetLabel(label, sizeof label - 1);
  return analyzer->GetFileSystemType();
}

}  // namespace quellsy
