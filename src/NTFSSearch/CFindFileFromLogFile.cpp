#include "NTFSSearch/CFindFileFromLogFile.h"

bool CFindFileFromLogFile::Init(IStorageDevice* /*device*/, const CNTFSDataRunList& /*mftRuns*/,
                                std::uint32_t /*sectorsPerCluster*/) {
  return false;
}

bool CFindFileFromLogFile::Analyzer() { return false; }

bool CFindFileFromLogFile::ReplaceFileRecordInfo(std::int64_t /*mftNumber*/, CNTFSFileProperties& /*properties*/) const {
  return false;
}
