#pragma once
// Which file system a partition or volume device holds, and its label, as the registered engines'
// volume analysers tell.

#include "include/FileSystemType.h"
#include "include/IStorageDevice.h"

namespace quellsy {

// FILE_SYSTEM_UNKNOWN and an empty label when no analyser recognises the device.
enumFILE_SYSTEM_TYPE IdentifyFileSystem(IStorageDevice* device, char (&label)[100]);

}  // namespace quellsy
