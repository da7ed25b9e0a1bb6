#include "PartitionTableAnalyze/PartitionTableEntry.h"

void CPartitionTableEntry::InitFromBuffer(quellsy::ByteSpan slot) {
  quellsy::FieldReader reader(slot.first(slot.size() < kSize ? slot.size() : kSize));
  low_ = reader.le64(0);
  high_ = reader.le64(8);
  if (!reader.ok()) low_ = high_ = 0;
}
