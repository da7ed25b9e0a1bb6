#include "UI/Results/SummaryText.h"

#include <climits>

#include "Bridge/KDPublicUtilities.h"
#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

constexpr std::uint64_t kKilobyte = 1000;

long long Signed(std::uint64_t value) { return value > LLONG_MAX ? LLONG_MAX : static_cast<long long>(value); }

QString SizeText(std::uint64_t size) {
  // Under a kilobyte the shared size text names a bare unit whatever the number; here the unit agrees with it.
  if (size < kKilobyte) return FormatText(Text("RVT_FOUR_SIZE_BYTES", Signed(size)), {Signed(size)});
  return QString::fromStdString(KDPublicUtilities::longlongConvertVolSpace(Signed(size)));
}

}  // namespace

QString SummaryText(const char* key, std::uint64_t size, std::uint64_t count) {
  return FormatText(Text(key, Signed(count)), {SizeText(size), static_cast<unsigned long long>(count)});
}

}  // namespace quellsy::ui
