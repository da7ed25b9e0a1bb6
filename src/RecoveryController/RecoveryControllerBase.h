#pragma once
// What the three controllers share: the restore sink, the tree builder they own, the filter and the scanned
// device, progress reports, and the making of data-recovery objects.

#include <cstdint>

#include "include/IRecoveryController.h"
#include "Utility/ResultCode.h"

class IDirecotryTreeBuilder;
class IFileSystemSearchController;
class RestoreScanSink;

class CRecoveryControllerBase : public IRecoveryController {
 public:
  CRecoveryControllerBase() = default;
  ~CRecoveryControllerBase() override;
  CRecoveryControllerBase(const CRecoveryControllerBase&) = delete;
  CRecoveryControllerBase& operator=(const CRecoveryControllerBase&) = delete;

  // 0 for a null filter; else keeps it and returns 1.
  int Initialize(IRecoveryFilter* filter) override;
  void Release() override { delete this; }

  // Set right after creation when a saved scan result is opened: the scan then reads it instead of the device.
  void SetRestoreScanSink(RestoreScanSink* sink) { m_restoreSink = sink; }
  RestoreScanSink* GetRestoreScanSink() const { return m_restoreSink; }

 protected:
  // A report {status, total, current} with a zeroed record.
  static void Report(IProgress* progress, std::uint32_t status, std::uint64_t total, std::uint64_t current);
  // Replaces the tree builder by a new, initialised one titled after device; noBuilder or refused on failure.
  quellsy::ResultCode StartTreeBuilder(bool restore, IStorageDevice* device, IDrirectoryTree* sink,
                                       quellsy::ResultCode noBuilder, quellsy::ResultCode refused);
  void ReleaseTreeBuilder();
  // A data-recovery object for searcher's finds (or, after a restore, for the records saved under type); null
  // when there is no searcher or it cannot be initialised.
  IDataRecovery* MakeDataRecovery(IFileSystemSearchController* searcher, _tagSearcherType type) const;
  // Flushes the file systems' buffers so that what was just deleted is on the device before it is read. An image
  // file read in place needs none: its reads see its latest contents, and a flush would only wait for other
  // programs' writes.
  static void FlushFileSystems(IStorageDevice* device);
  // How a scan of device that ended with result ended: the device stopping to answer (gone, or shrunk) outweighs
  // every other answer, since it explains them.
  static quellsy::ResultCode UnlessStoppedAnswering(IStorageDevice& device, quellsy::ResultCode result);

  RestoreScanSink* m_restoreSink = nullptr;
  IDirecotryTreeBuilder* m_builder = nullptr;  // owned
  IRecoveryFilter* m_filter = nullptr;
  IStorageDevice* m_device = nullptr;
};
