#pragma once
// SHA-256 of a byte range, as lower-case hex: the digest the image manifests record; and the digests of the files
// below a folder, to compare what a recovery wrote with a manifest.

#include <cstdint>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <utility>

namespace quellsy::test {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

// (size, SHA-256) of files.
using FileDigests = std::multiset<std::pair<std::uint64_t, std::string>>;
// Of every regular file below folder, at any depth.
FileDigests DigestsBelow(const std::filesystem::path& folder);

}  // namespace quellsy::test
