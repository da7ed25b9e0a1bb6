#include "Platform/BlkidProbe.h"

#include <blkid/blkid.h>

#include <memory>

namespace quellsy::platform {

namespace {

struct ProbeDeleter {
  void operator()(blkid_probe probe) const { blkid_free_probe(probe); }
};
using Probe = std::unique_ptr<std::remove_pointer_t<blkid_probe>, ProbeDeleter>;

std::optional<std::string> Lookup(const Probe& probe, const char* name) {
  const char* value = nullptr;
  std::size_t length = 0;
  if (blkid_probe_lookup_value(probe.get(), name, &value, &length) != 0 || !value) return std::nullopt;
  // Lengths count the terminating NUL.
  std::string text(value, length > 0 ? length - 1 : 0);
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> ProbeFilesystemLabel(const std::string& path) {
  // blkid opens the path read-only.
  Probe probe(blkid_new_probe_from_filename(path.c_str()));
  if (!probe) return std::nullopt;
  blkid_probe_enable_partitions(probe.get(), 0);
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
  if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
  return Lookup(probe, "LABEL");
}

std::optional<std::string> ProbePartitionTableType(const std::string& path) {
  Probe probe(blkid_new_probe_from_filename(path.c_str()));
  if (!probe) return std::nullopt;
  blkid_probe_enable_superblocks(probe.get(), 0);
  blkid_probe_enable_partitions(probe.get(), 1);
  if (blkid_do_safeprobe(probe.get()) != 0) return std::nullopt;
  return Lookup(probe, "PTTYPE");
}

}  // namespace quellsy::platform
