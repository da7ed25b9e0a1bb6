#include "HFSPlus/HFSPlusLib/CHFSPlusCompressFileReader.h"

#include <new>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusDecmpfs.h"
#include "Utility/CatchExeception.h"
#include "include/FileNode.h"
#include "include/IDataRunList.h"

namespace {

// The resource fork through the node's runs (allocation blocks); the bytes the runs cover bound it.
class RunFork {
 public:
  RunFork(CHFSPlusVolume& volume, IDataRunList* runs) : volume_(volume) {
    const std::uint64_t blockSize = volume.GetVolumeHeader()->blockSize;
    if (runs == nullptr) return;
    for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) {
      if (run->lcn < 0 || run->length <= 0) break;
      const auto start = static_cast<std::uint64_t>(run->lcn) * blockSize;
      const auto bytes = static_cast<std::uint64_t>(run->length) * blockSize;
      pieces_.push_back({size_, start, bytes});
      size_ += bytes;
    }
  }

  std::uint64_t size() const { return size_; }

  bool Read(std::uint64_t offset, quellsy::MutableByteSpan out) {
    std::size_t done = 0;
    for (const Piece& piece : pieces_) {
      if (done == out.size()) break;
      const std::uint64_t at = offset + done;
      if (at < piece.forkOffset || at >= piece.forkOffset + piece.length) continue;
      const std::uint64_t take = std::min<std::uint64_t>(out.size() - done, piece.forkOffset + piece.length - at);
      if (volume_.Read(piece.deviceOffset + (at - piece.forkOffset), out.data() + done, take) != take) return false;
      done += take;
    }
    return done == out.size();
  }

 private:
  struct Piece {
    std::uint64_t forkOffset;
    std::uint64_t deviceOffset;
    std::uint64_t length;
  };
  CHFSPlusVolume& volume_;
  std::vector<Piece> pieces_;
  std::uint64_t size_ = 0;
};

}  // namespace

CHFSPlusCompressFileReader::CHFSPlusCompressFileReader(CHFSPlusVolume* volume, CFileNode* node)
    : volume_(volume), node_(node) {}

unsigned int CHFSPlusCompressFileReader::ReadData(long long offset, char* buffer, unsigned int length, int* error) {
  if (volume_ == nullptr || volume_->GetVolumeHeader() == nullptr || node_ == nullptr || buffer == nullptr ||
      offset < 0)
    return 0;
  const auto fileID = static_cast<std::uint32_t>(node_->GetCurrentNodeID());
  std::vector<std::uint8_t> attribute;
  if (volume_->getAttribute(fileID, quellsy::hfsplus::kDecmpfsAttributeName, &attribute) == 0) return 0;
  RunFork fork(*volume_, node_->GetDataRunList());
  const auto result = quellsy::hfsplus::ReadDecmpfs(
      attribute, fork.size(), [&fork](std::uint64_t at, quellsy::MutableByteSpan out) { return fork.Read(at, out); },
      static_cast<std::uint64_t>(offset), quellsy::MutableByteSpan(reinterpret_cast<std::uint8_t*>(buffer), length));
  if (!result.error.empty()) {
    CatchExeception::WriteLog("%s file 0x%x: %s\r\n", "ReadData", fileID, result.error.c_str());
    if (error != nullptr) *error = -1;
    return 0;
  }
  return static_cast<unsigned int>(result.count);
}

IFileReader* CHFSPlusCompressFileReader::Clone() { return new (std::nothrow) CHFSPlusCompressFileReader(*this); }

long long CHFSPlusCompressFileReader::GetDataSize() const { return node_ != nullptr ? node_->GetFileSize() : 0; }

int CHFSPlusCompressFileReader::IsCompressFile() { return node_ != nullptr ? node_->IsCompressed() : 0; }
