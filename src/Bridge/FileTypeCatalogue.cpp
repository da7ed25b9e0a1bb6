#include "Bridge/FileTypeCatalogue.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "Platform/PlistReader.h"
#include "Utility/WorkPath.h"

namespace {

// Lower case, as the scan names extensions; nullopt for what is no extension (empty, too long, a dot, a
// separator of the engine's lists, a control or non-ASCII byte).
std::optional<std::string> CleanExtension(const std::string& text) {
  if (text.empty() || text.size() > FileTypeCatalogue::kMaxExtensionBytes) return std::nullopt;
  std::string clean;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '.' || c == ';' || c == '/') return std::nullopt;
    clean += static_cast<char>(std::tolower(byte));
  }
  return clean;
}

const std::vector<std::string>& NoExtensions() {
  static const std::vector<std::string> none;
  return none;
}

}  // namespace

FileTypeCatalogue FileTypeCatalogue::FromFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size == 0 || size > kMaxFileBytes) return {};
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in.good() && !in.eof()) return {};
  return FromMemory(bytes);
}

FileTypeCatalogue FileTypeCatalogue::FromMemory(quellsy::ByteSpan bytes) {
  FileTypeCatalogue catalogue;
  if (bytes.size() > kMaxFileBytes) return catalogue;
  const auto document = quellsy::platform::PlistDocument::FromMemory(bytes);
  if (!document) return catalogue;
  const auto root = document->Root();
  for (const _FILTER_TYPE group : kListedGroups) {
    const auto list = root.Get(std::to_string(static_cast<unsigned>(group)).c_str());
    const std::uint32_t count = std::min<std::uint32_t>(list.Size(), kMaxExtensionsPerGroup);
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto text = list.At(i).Text();
      const auto extension = text ? CleanExtension(*text) : std::nullopt;
      if (!extension) continue;
      auto& extensions = catalogue.lists_[group];
      if (std::find(extensions.begin(), extensions.end(), *extension) == extensions.end())
        extensions.push_back(*extension);
      // A later group takes an extension an earlier one listed too.
      catalogue.groups_[*extension] = group;
    }
  }
  return catalogue;
}

std::filesystem::path FileTypeCatalogue::InstalledPath() { return std::filesystem::path(GetAppDataPath()) / kFileName; }

const std::vector<std::string>& FileTypeCatalogue::Extensions(_FILTER_TYPE group) const {
  const auto found = lists_.find(group);
  return found != lists_.end() ? found->second : NoExtensions();
}

std::string FileTypeCatalogue::JoinedExtensions(_FILTER_TYPE group) const {
  std::string joined;
  for (const std::string& extension : Extensions(group)) {
    if (!joined.empty()) joined += ';';
    joined += extension;
  }
  return joined;
}

_FILTER_TYPE FileTypeCatalogue::GroupOf(std::string_view extension) const {
  const auto found = groups_.find(extension);
  return found != groups_.end() ? found->second : FILTER_TYPE_OTHER;
}

bool FileTypeCatalogue::Knows(std::string_view extension) const { return groups_.find(extension) != groups_.end(); }
