#include "NTFSLib/NTFSUpdateSequence.h"

#include "NTFSLib/NTFSLayout.h"

namespace quellsy::ntfs {

bool UpdateSequence::Fits(std::size_t size) const {
  return strides <= size / kFixupStride && offset <= size && (size - offset) / 2 >= strides + 1;
}

bool UpdateSequence::Matches(ByteSpan bytes) const {
  if (!Fits(bytes.size())) return false;
  const std::uint16_t number = le16(bytes, offset).value_or(0);
  for (std::size_t i = 0; i < strides; ++i)
    if (le16(bytes, (i + 1) * kFixupStride - 2).value_or(0) != number) return false;
  return true;
}

bool UpdateSequence::Apply(MutableByteSpan bytes) const {
  if (!Fits(bytes.size())) return false;
  FieldWriter w(bytes);
  for (std::size_t i = 0; i < strides; ++i)
    w.le16((i + 1) * kFixupStride - 2, le16(bytes, offset + 2 * (i + 1)).value_or(0));
  return w.ok();
}

bool UpdateSequence::Restore(MutableByteSpan bytes) const {
  if (!Fits(bytes.size())) return false;
  const std::uint16_t number = le16(bytes, offset).value_or(0);
  FieldWriter w(bytes);
  for (std::size_t i = 0; i < strides; ++i) {
    const std::size_t last = (i + 1) * kFixupStride - 2;
    w.le16(offset + 2 * (i + 1), le16(bytes, last).value_or(0));
    w.le16(last, number);
  }
  return w.ok();
}

}  // namespace quellsy::ntfs
