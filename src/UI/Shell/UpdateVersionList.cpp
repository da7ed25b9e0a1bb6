#include "UI/Shell/UpdateVersionList.h"

#include <algorithm>
#include <limits>

#include "Platform/PlistReader.h"
#include "UI/Kit/PrivateData.h"

namespace quellsy::ui {
namespace {

constexpr const char* kVersionCheckKey = "VersionCheck";
constexpr const char* kVersionKey = "Version";

std::int32_t Clamped(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

std::int32_t VersionNumberOf(const platform::PlistNode& node) {
  if (const auto number = node.Integer()) return Clamped(*number);
  if (const auto text = node.Text()) return VersionNumberFromText(QString::fromStdString(*text));
  return 0;
}

}  // namespace

std::int32_t VersionNumberFromText(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && text[i].isSpace()) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) negative = text[i++] == QLatin1Char('-');
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
    value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - '0'), std::int64_t{1} << 32);
  return Clamped(negative ? -value : value);
}

std::optional<UpdateVersionList> ParseUpdateVersionList(const QByteArray& bytes) {
  const auto document = platform::PlistDocument::FromMemory(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())));
  if (!document || !document->Root().IsDict()) return std::nullopt;
  const platform::PlistNode root = document->Root();
  UpdateVersionList list;
  list.versionCheck = VersionNumberOf(root.Get(kVersionCheckKey));
  list.version = QString::fromStdString(root.Get(kVersionKey).Text().value_or(std::string()));
  const std::vector<std::string> keys = root.Keys();
  const auto count = static_cast<int>(std::count_if(keys.begin(), keys.end(), [](const std::string& key) {
    return key != kVersionCheckKey && key != kVersionKey;
  }));
  for (int number = 1; number <= count; ++number)
    if (const auto text = root.Get(std::to_string(number).c_str()).Text())
      list.features.emplace_back(number, QString::fromStdString(*text));
  return list;
}

std::int32_t LocalVersionCheck() { return Clamped(PrivateData::Installed().GetInteger(kVersionCheckKey).value_or(0)); }

bool IsNewerThanInstalled(const UpdateVersionList& list) { return list.versionCheck > LocalVersionCheck(); }

}  // namespace quellsy::ui
