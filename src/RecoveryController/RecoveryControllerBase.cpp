#include "RecoveryController/RecoveryControllerBase.h"

#include <unistd.h>

#include <vector>

#include "DataRecovery/DataRecovery.h"
#include "DirectoryTreeBuilder/DirectoryTreeBuilder.h"
#include "RecoveryController/DeviceDescription.h"
#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryController/RestoreScanSink.h"
#include "include/IFileSystemSearchController.h"
#include "include/IProgress.h"
#include "include/IStorageDevice.h"

CRecoveryControllerBase::~CRecoveryControllerBase() { ReleaseTreeBuilder(); }

int CRecoveryControllerBase::Initialize(IRecoveryFilter* filter) {
  if (!filter) return 0;
  m_filter = filter;
  return 1;
}

void CRecoveryControllerBase::Report(IProgress* progress, std::uint32_t status, std::uint64_t total,
                                     std::uint64_t current) {
  _PROGRESS_INFO info{};
  info.status = status;
  info.total = total;
  info.current = current;
  progress->UpdateProgress(&info);
}

quellsy::ResultCode CRecoveryControllerBase::StartTreeBuilder(bool restore, IStorageDevice* device,
                                                              IDrirectoryTree* sink, quellsy::ResultCode noBuilder,
                                                              quellsy::ResultCode refused) {
  ReleaseTreeBuilder();
  m_builder = CreateTreeBuilder(restore);
  if (!m_builder) return noBuilder;
  const std::string description = GetDeviceDescription(device);
  if (m_builder->Initialize(description.c_str(), sink, m_filter) == 0) return refused;
  return quellsy::kResultOk;
}

void CRecoveryControllerBase::ReleaseTreeBuilder() {
  if (m_builder) m_builder->Release();
  m_builder = nullptr;
}

IDataRecovery* CRecoveryControllerBase::MakeDataRecovery(IFileSystemSearchController* searcher,
                                                         _tagSearcherType type) const {
  if (!searcher) return nullptr;
  CDataRecovery* recovery = CreateDataRecoveryObj();
  if (!recovery) return nullptr;
  quellsy::ResultCode result = quellsy::kResultOk;
  if (m_restoreSink) {
    std::vector<CSearchedPartitionInfo*> records = m_restoreSink->GetSearchedPartition(type, m_device);
    result = recovery->Initialize(records, m_device);
  } else {
    result = recovery->Initialize(searcher, m_device);
  }
  if (quellsy::IsFailure(result)) {
    recovery->Release();
    return nullptr;
  }
  return recovery;
}

void CRecoveryControllerBase::FlushFileSystems(IStorageDevice* device) {
  int fd = -1;
  long long byteOffset = 0;
  if (device != nullptr && device->FileExtent(0, 1, fd, byteOffset)) return;
  sync();
}

quellsy::ResultCode CRecoveryControllerBase::UnlessStoppedAnswering(IStorageDevice& device,
                                                                    quellsy::ResultCode result) {
  return device.StoppedAnswering() ? quellsy::controller::kDeviceStoppedAnswering : result;
}
