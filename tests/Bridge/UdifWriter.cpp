#include "UdifWriter.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>

#include "support/TempDir.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

constexpr std::size_t kSector = 512;

bool TakesNoBytes(std::uint32_t type) { return type == 0 || type == 2; }

struct Chunk {
  std::uint32_t type;
  std::uint64_t first;
  std::uint64_t count;
  std::uint64_t offset;
  std::uint64_t length;
};

std::vector<std::uint8_t> MishTable(std::uint64_t first, std::uint64_t count, const std::vector<Chunk>& chunks,
                                    std::uint32_t claimedChunks) {
  std::vector<std::uint8_t> bytes(204 + 40 * chunks.size());
  FieldWriter w(bytes);
  std::memcpy(bytes.data(), "mish", 4);
  w.be32(4, 1);
  w.be64(8, first);
  w.be64(16, count);
  w.be32(200, claimedChunks);
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    const std::size_t at = 204 + 40 * i;
    w.be32(at, chunks[i].type);
    w.be64(at + 8, chunks[i].first);
    w.be64(at + 16, chunks[i].count);
    w.be64(at + 24, chunks[i].offset);
    w.be64(at + 32, chunks[i].length);
  }
  return bytes;
}

std::vector<std::uint8_t> PropertyList(const std::vector<std::vector<std::uint8_t>>& tables, bool withoutBlkx) {
  plist_t root = plist_new_dict();
  plist_t fork = plist_new_dict();
  plist_t blkx = plist_new_array();
  for (std::size_t i = 0; i < tables.size(); ++i) {
    plist_t entry = plist_new_dict();
    plist_dict_set_item(entry, "Attributes", plist_new_string("0x0050"));
    plist_dict_set_item(entry, "Data",
                        plist_new_data(reinterpret_cast<const char*>(tables[i].data()), tables[i].size()));
    plist_dict_set_item(entry, "ID", plist_new_string(std::to_string(i).c_str()));
    plist_array_append_item(blkx, entry);
  }
  plist_dict_set_item(fork, withoutBlkx ? "plst" : "blkx", blkx);
  plist_dict_set_item(root, "resource-fork", fork);
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root, &xml, &length);
  std::vector<std::uint8_t> bytes(xml, xml + length);
  std::free(xml);
  plist_free(root);
  return bytes;
}

}  // namespace

UdifImage WriteUdif(const UdifOptions& options) {
  UdifImage image;
  std::vector<std::vector<std::uint8_t>> tables;
  std::uint64_t sector = 0;
  for (std::size_t t = 0; t < options.tables.size(); ++t) {
    const std::uint64_t tableFirst = sector;
    std::vector<Chunk> chunks;
    for (const auto& run : options.tables[t]) {
      const std::size_t bytes = run.sectors * kSector;
      const auto content = TakesNoBytes(run.type)
                               ? std::vector<std::uint8_t>(bytes, 0)
                               : PatternBytes(bytes, static_cast<std::uint32_t>(sector + 7));
      image.disk.insert(image.disk.end(), content.begin(), content.end());
      const bool stored = !(options.packed && TakesNoBytes(run.type));
      chunks.push_back({run.type, sector - tableFirst, run.sectors, image.file.size(), stored ? bytes : 0});
      if (stored) image.file.insert(image.file.end(), content.begin(), content.end());
      sector += run.sectors;
    }
    chunks.push_back({0xFFFFFFFF, sector - tableFirst, 0, image.file.size(), 0});
    const auto claimed = t == 0 && options.firstTableChunks ? *options.firstTableChunks
                                                            : static_cast<std::uint32_t>(chunks.size());
    tables.push_back(MishTable(tableFirst, sector - tableFirst, chunks, claimed));
  }
  if (options.encryptedHead) {
    image.file.resize(std::max<std::size_t>(image.file.size(), 8));
    std::memcpy(image.file.data(), "encrcdsa", 8);
  }
  const std::uint64_t dataForkLength = image.file.size();
  const auto xml = PropertyList(tables, options.withoutBlkx);
  const std::uint64_t xmlOffset = image.file.size();
  image.file.insert(image.file.end(), xml.begin(), xml.end());

  std::vector<std::uint8_t> koly(kSector, 0);
  FieldWriter w(koly);
  std::memcpy(koly.data(), "koly", 4);
  w.be32(4, 4);
  w.be32(8, 512);
  w.be64(0x18, 0);
  w.be64(0x20, dataForkLength);
  w.be64(0xD8, xmlOffset);
  w.be64(0xE0, options.xmlLength.value_or(xml.size()));
  w.be64(0x1EC, sector);
  image.file.insert(image.file.end(), koly.begin(), koly.end());
  return image;
}

}  // namespace quellsy::test
