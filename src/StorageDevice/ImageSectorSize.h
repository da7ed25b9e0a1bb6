#pragma once
// The sector size of an image file, which no system call can tell: a dump of a drive with 4096-byte sectors
// holds a boot sector or a GPT header that says so.

#include <optional>

namespace quellsy::storage {

constexpr unsigned kDefaultImageSectorSize = 512;
constexpr unsigned kMaxImageSectorSize = 4096;

// The size the start of the open file declares: a boot sector (jump instruction, bytes per sector, 0x55 0xAA)
// stating a power of two from 512 to 4096, or a GPT header ("EFI PART") in the second sector of such a size.
// nullopt when it declares none or cannot be read.
std::optional<unsigned> DeclaredSectorSize(int fd);

}  // namespace quellsy::storage
