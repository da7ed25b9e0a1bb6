#pragma once
// SHA-256 of a byte range, as lower-case hex: the digest the image manifests record.

#include <cstdint>
#include <span>
#include <string>

namespace quellsy::test {

std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace quellsy::test
