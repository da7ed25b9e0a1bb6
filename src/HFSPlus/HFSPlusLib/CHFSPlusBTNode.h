#pragma once
// One B-tree node: its validity test, its descriptor and access to its records. The complete search and
// the journal walk use the same test to recognise nodes in raw data.

#include <cstdint>
#include <memory>
#include <optional>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "Utility/ResultCode.h"

class CHFSPlusBTNode {
 public:
  // Keeps its own copy of the node's bytes.
  explicit CHFSPlusBTNode(quellsy::ByteSpan bytes);
  // Takes the size bytes at bytes: a node read straight into its own buffer is never copied or cleared first.
  CHFSPlusBTNode(std::unique_ptr<std::uint8_t[]> bytes, std::size_t size);

  // True only for a node of at least 512 bytes (a multiple of 512) with a known kind, the height its kind
  // needs, record 0 at offset 14 and record offsets that grow and stay below the offset table.
  static bool IsValidNode(quellsy::ByteSpan node);

  // numRecords; 0 (and error 2) without a descriptor.
  std::uint16_t GetRecordCount();
  // The bytes of record `index`; nullopt with error 5 past the last record, error 2 without a descriptor.
  std::optional<quellsy::ByteSpan> GetRecord(std::uint16_t index);
  // A record split into its key (keyLength + 2 bytes) and what follows; nullopt (error 6) when the key runs
  // past the record.
  struct KeyAndData {
    quellsy::ByteSpan key;
    quellsy::ByteSpan data;
  };
  std::optional<KeyAndData> GetKeyAndData(std::uint16_t index);
  // Which tree a leaf seems to come from: 4 catalog, 8 attributes, 3 extents or 0.
  std::uint32_t TestNodeBelongToFile();

  // Absent when the node failed its test.
  const std::optional<BTNodeDescriptor>& Descriptor() const { return descriptor_; }
  quellsy::ByteSpan Bytes() const { return {bytes_.get(), size_}; }
  std::uint32_t NodeSize() const { return static_cast<std::uint32_t>(size_); }
  quellsy::ResultCode GetLastError() const { return lastError_; }

 private:
  void Check();

  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t size_ = 0;
  std::optional<BTNodeDescriptor> descriptor_;
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
};

// A catalog thread record of exactly 10 bytes plus its name.
bool IsValidCatalogThread(quellsy::ByteSpan data);
