#include "EnumDevice/DevListSortAlgorithm.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "include/IStorageDeviceData.h"

namespace {

template <class Data>
auto* RecordOf(IStorageDevice* device) {
  auto* holder = dynamic_cast<Data*>(device->GetPrivateData());
  return holder ? holder->GetRecord() : nullptr;
}

// The sort key of a volume or partition without a volume: both carry a volume record.
template <class Data, class Key>
bool Less(IStorageDevice* a, IStorageDevice* b, Key key) {
  const auto* left = RecordOf<Data>(a);
  const auto* right = RecordOf<Data>(b);
  return left && right && key(*left) < key(*right);
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The run of digits or of non-digits at the start of `text`.
std::string_view Run(std::string_view text) {
  std::size_t length = 1;
  while (length < text.size() && IsDigit(text[length]) == IsDigit(text[0])) ++length;
  return text.substr(0, length);
}

}  // namespace

int CDevListSortAlgorithm::CompareDiskNames(std::string_view a, std::string_view b) {
  // The family ("sd", "nv", "mm") first, so that all disks of one kind stay together.
  if (const int family = a.substr(0, 2).compare(b.substr(0, 2)); family != 0) return family;
  while (!a.empty() && !b.empty()) {
    std::string_view left = Run(a);
    std::string_view right = Run(b);
    a.remove_prefix(left.size());
    b.remove_prefix(right.size());
    if (IsDigit(left[0]) != IsDigit(right[0])) return IsDigit(left[0]) ? -1 : 1;
    if (IsDigit(left[0])) {
      while (left.size() > 1 && left[0] == '0') left.remove_prefix(1);
      while (right.size() > 1 && right[0] == '0') right.remove_prefix(1);
    }
    if (left.size() != right.size()) return left.size() < right.size() ? -1 : 1;
    if (const int order = left.compare(right); order != 0) return order;
  }
  return a.empty() ? (b.empty() ? 0 : -1) : 1;
}

bool CDevListSortAlgorithm::operator()(IStorageDevice* a, IStorageDevice* b) const {
  if (!a || !b || a->GetType() != b->GetType()) return false;
  switch (a->GetType()) {
    case STORAGE_DEVICE_DISK: {
      const auto* left = RecordOf<IDiskDeviceData>(a);
      const auto* right = RecordOf<IDiskDeviceData>(b);
      return left && right &&
             CompareDiskNames({left->bsdName, strnlen(left->bsdName, sizeof left->bsdName)},
                              {right->bsdName, strnlen(right->bsdName, sizeof right->bsdName)}) < 0;
    }
    case STORAGE_DEVICE_PARTITION:
      return Less<IPartitionDeviceData>(a, b, [](const auto& r) { return r.partitionIndex; });
    case STORAGE_DEVICE_VOLUME:
      return Less<IVolumeDeviceData>(a, b, [](const auto& r) { return r.partitionNumber; });
    default:
      return false;
  }
}

void CDevListSortAlgorithm::Sort(DeviceList& devices) {
  // An insertion sort: the order is not a strict weak one across kinds or without records, which a
  // library sort may not be given. Lists hold a few dozen devices.
  const CDevListSortAlgorithm less;
  for (std::size_t i = 1; i < devices.size(); ++i) {
    std::size_t j = i;
    while (j > 0 && less(devices[i].get(), devices[j - 1].get())) --j;
    if (j != i) std::rotate(devices.begin() + static_cast<std::ptrdiff_t>(j), devices.begin() + static_cast<std::ptrdiff_t>(i),
                            devices.begin() + static_cast<std::ptrdiff_t>(i) + 1);
  }
}
