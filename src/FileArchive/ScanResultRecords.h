#pragma once
// The records of the file-system-node frame, field by field: a file node, a root (file node, searcher type,
// volume name) and a searched partition (its type and 104-byte image). Writers refuse values out of range before
// writing; readers throw CRSException on a frame that ends inside a record or a length out of range.

#include <cstdint>
#include <memory>

class CSearchedPartitionInfo;
class FrameReader;
class FrameWriter;
class IFileNode;

namespace SaveRestoreResult {

class RestoreFileNode;
class RestoreSystemNode;

void WriteFileNode(FrameWriter& out, IFileNode& node);
void WriteSystemNode(FrameWriter& out, IFileNode& root);
void WritePartition(FrameWriter& out, const CSearchedPartitionInfo& partition);

// Fills node (which must be fresh) from the next record.
void ReadFileNode(FrameReader& in, RestoreFileNode& node);
std::unique_ptr<RestoreSystemNode> ReadSystemNode(FrameReader& in);
// The next partition record; null when its type is out of range (the list ends there, as the writer never
// stores such a type).
std::unique_ptr<CSearchedPartitionInfo> ReadPartition(FrameReader& in);

}  // namespace SaveRestoreResult
