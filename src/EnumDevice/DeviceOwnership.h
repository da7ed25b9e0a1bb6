#pragma once
// Ownership of what enumeration makes: a device that reads through another (a partition through its
// disk) keeps that one alive for as long as it lives itself, and a device owns its record's holder.

#include <memory>

#include "include/IStorageDevice.h"

namespace quellsy {

// Takes ownership of `device` (null gives null); `reads` is kept alive until the device is freed.
inline std::shared_ptr<IStorageDevice> AdoptDevice(IStorageDevice* device, std::shared_ptr<IStorageDevice> reads = nullptr) {
  if (!device) return nullptr;
  // The reference goes with the device, not with the control block, which a weak_ptr keeps.
  return std::shared_ptr<IStorageDevice>(device, [reads = std::move(reads)](IStorageDevice* owned) mutable {
    delete owned;
    reads.reset();
  });
}

// Wraps `record` in a holder made by `makeHolder` and attaches it; the record is freed when no holder
// can be made.
template <class Record, class MakeHolder>
void AttachRecord(IStorageDevice& device, std::unique_ptr<Record> record, MakeHolder makeHolder) {
  if (auto* holder = makeHolder(record.get())) {
    record.release();
    device.SetPrivateData(holder);
  }
}

}  // namespace quellsy
