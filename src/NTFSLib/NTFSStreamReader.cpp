#include "NTFSLib/NTFSStreamReader.h"

#include <algorithm>
#include <cstring>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSFileRecordAttribute.h"
#include "NTFSLib/NTFSLayout.h"
#include "include/IStorageDevice.h"
#include "include/SalvagingRead.h"

bool NTFSVolumeGeometry::IsUsable() const {
  return sectorSize >= 512 && sectorSize % 512 == 0 && sectorsPerCluster != 0 && origin >= 0 &&
         recordSize >= 512 && recordSize <= quellsy::ntfs::kMaxRecordSize;
}

namespace quellsy::ntfs {

namespace {
// Reads [position, position + out.size()) of the device into out (zeros beforehand) through whole sectors.
bool ReadDeviceBytes(IStorageDevice& device, std::uint32_t sectorSize, std::uint64_t position, MutableByteSpan out) {
  const std::uint64_t first = position / sectorSize;
  const std::uint64_t skip = position % sectorSize;
  const std::uint64_t sectors = (skip + out.size() + sectorSize - 1) / sectorSize;
  // Whole sectors go straight into out, as they would come out of a zeroed copy.
  if (skip == 0 && out.size() % sectorSize == 0)
    return ReadSectorsSalvaging(device, out.data(), static_cast<long long>(first), static_cast<long long>(sectors))
        .Whole();
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(sectors * sectorSize));
  const bool ok =
      ReadSectorsSalvaging(device, scratch.data(), static_cast<long long>(first), static_cast<long long>(sectors))
          .Whole();
  std::memcpy(out.data(), scratch.data() + skip, out.size());
  return ok;
}
}  // namespace

bool ReadThroughRuns(IStorageDevice& device, const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& runs,
                     std::uint64_t offset, MutableByteSpan out) {
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  if (!geometry.IsUsable()) return false;
  const std::uint64_t clusterBytes = geometry.ClusterBytes();
  bool ok = true;
  for (std::size_t done = 0; done < out.size();) {
    const std::uint64_t at = offset + done;
    const std::uint64_t vcn = at / clusterBytes;
    const std::uint64_t within = at % clusterBytes;
    std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(out.size() - done, clusterBytes - within));
    const std::int64_t lcn = runs.GetLCN(static_cast<std::int64_t>(vcn));
    // Clusters that follow one another on the disk too are read in one request.
    for (std::uint64_t next = 1; lcn >= 0 && done + piece < out.size(); ++next) {
      const std::int64_t following = runs.GetLCN(static_cast<std::int64_t>(vcn + next));
      if (following < 0 || static_cast<std::uint64_t>(following) != static_cast<std::uint64_t>(lcn) + next) break;
      piece += static_cast<std::size_t>(std::min<std::uint64_t>(out.size() - done - piece, clusterBytes));
    }
    if (lcn < 0) {
      // Sparse clusters read as the zeros already there; clusters outside every run cannot be read.
      ok = ok && std::any_of(runs.GetBegin(), runs.GetEnd(), [&](const CDataRun& run) {
             return run.lcn < 0 && static_cast<std::uint64_t>(run.vcn) <= vcn &&
                    vcn - static_cast<std::uint64_t>(run.vcn) < static_cast<std::uint64_t>(run.length);
           });
    } else {
      const std::uint64_t sector = static_cast<std::uint64_t>(lcn) * geometry.sectorsPerCluster +
                                   static_cast<std::uint64_t>(geometry.origin);
      ok = ReadDeviceBytes(device, geometry.sectorSize, sector * geometry.sectorSize + within,
                           out.subspan(done, piece)) && ok;
    }
    done += piece;
  }
  return ok;
}

std::int64_t FileRecordPosition(const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                                std::uint64_t mftNumber) {
  if (!geometry.IsUsable() || mftNumber > (std::uint64_t{1} << 48)) return -1;
  const std::uint64_t offset = mftNumber * geometry.recordSize;
  const std::uint64_t clusterBytes = geometry.ClusterBytes();
  const std::int64_t lcn = mftRuns.GetLCN(static_cast<std::int64_t>(offset / clusterBytes));
  if (lcn < 0) return -1;
  const std::uint64_t sector = static_cast<std::uint64_t>(lcn) * geometry.sectorsPerCluster +
                               static_cast<std::uint64_t>(geometry.origin);
  return static_cast<std::int64_t>(sector * geometry.sectorSize + offset % clusterBytes);
}

bool ReadFileRecord(IStorageDevice& device, const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                    std::uint64_t mftNumber, std::vector<std::uint8_t>& out) {
  if (!geometry.IsUsable() || mftNumber > (std::uint64_t{1} << 48)) return false;
  out.assign(geometry.recordSize, 0);
  return ReadThroughRuns(device, geometry, mftRuns, mftNumber * geometry.recordSize, out);
}

bool ReadNonResidentAttribute(IStorageDevice& device, const NTFSVolumeGeometry& geometry,
                              const CNTFSFileRecordDataRunsAttribute& attribute, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out) {
  out.clear();
  const std::int64_t allocated = attribute.GetAllocatedSize();
  const std::int64_t initialized = attribute.GetInitializedSize();
  if (!attribute.IsNonResident() || initialized <= 0 || initialized > allocated ||
      static_cast<std::uint64_t>(allocated) > maxBytes)
    return false;
  CNTFSDataRunList runs;
  if (!runs.InitFromBuffer(attribute.GetMappingPairs()) || runs.IsEmpty()) return false;
  out.assign(static_cast<std::size_t>(allocated), 0);
  // Only the initialized bytes hold data; the rest stays zero and need not be mapped.
  return ReadThroughRuns(device, geometry, runs, 0, MutableByteSpan(out).first(static_cast<std::size_t>(initialized)));
}

}  // namespace quellsy::ntfs
