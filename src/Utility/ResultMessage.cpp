#include "Utility/ResultMessage.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

namespace quellsy {

namespace {

// By error number: the words do not depend on which return point gave the code.
constexpr std::pair<std::uint32_t, std::string_view> kMessages[] = {
    {error::kFailure, "the operation failed"},
    {error::kNotInitialised, "not initialised"},
    {error::kUnsupported, "not supported"},
    {error::kOutOfMemory, "out of memory"},
    {error::kBadArgument, "bad argument"},
    {error::kBadStructure, "damaged structure"},
    {error::kNoPrivateData, "the device carries no volume record"},
    {error::kSectorTooSmall, "sector too small"},
    {error::kArrayTooSmall, "list too small"},
    {error::kCannotWriteOutput, "cannot write %s"},
    {error::kFileSystemNotSupported, "no FAT, exFAT, NTFS, HFS+ or APFS volume at %s"},
    {error::kNoSearcher, "no searcher for this file system"},
    {error::kBadArguments, "bad arguments"},
    {error::kWrongDeviceKind, "wrong kind of device"},
    {error::kBootSectorUnreadable, "the boot sector at %s could not be read"},
    {error::kCompleteScanOnly, "%s holds an APFS container: APFS volumes are read by the complete scan"},
    {error::kDeviceStoppedAnswering,
     "%s stopped answering during the scan: the device was removed or now holds less than when the scan began, "
     "so what lay past its new end could not be read; what was found before is kept"},
    {error::kScanRunning, "a scan is running"},
    {error::kScanPaused, "a paused scan must be stopped first"},
    {error::kSearchRunning, "a search is running"},
    {error::kRecoveryRunning, "files are being recovered"},
    {error::kSaveRunning, "the results are being saved"},
    {error::kRestoreRunning, "saved results are being opened"},
    {error::kNoScanRunning, "no scan is running"},
    {error::kScanNotPaused, "the scan is not paused"},
    {error::kScanAlreadyPaused, "the scan is already paused"},
    {error::kNoSuchDevice, "the device list has no such device"},
    {error::kNoThread, "the system refused a new thread"},
    {error::kStaleNode, "the results have changed since: look again"},
    {error::kNoPartition, "no partition holds the file"},
    {error::kNoReader, "the file's data cannot be located"},
    {error::kShortWrite, "writing %s failed"},
    {error::kNoSpace, "no space left on the destination"},
    {error::kFileTooBig, "the destination cannot hold a file this big"},
    {error::kIncomplete, "%s is incomplete"},
    {error::kCannotCreate, "cannot create %s"},
    {error::kDestinationMissing, "destination %s does not exist"},
    {error::kDestinationNotFolder, "destination %s is not a folder"},
    {error::kDestinationReadOnly, "destination %s is read-only"},
    {error::kDestinationOnScanned, "destination is on the scanned device"},
    {error::kDestinationIsLink, "destination %s is a symbolic link"},
    {error::kImageMissing, "cannot open %s: no such file"},
    {error::kImageIsFolder, "%s is a directory"},
    {error::kImageNotReadable, "cannot open %s: permission denied"},
    {error::kImageWrongKind, "%s is not a regular file or a block device"},
    {error::kImageCannotOpen, "cannot open %s"},
};

constexpr std::string_view kUnknown = "failed";

std::mutex registeredLock;
std::vector<std::span<const ResultWords>> registered;

std::string_view Words(ResultCode code) {
  {
    const std::lock_guard lock(registeredLock);
    for (const std::span<const ResultWords> table : registered)
      for (const ResultWords& entry : table)
        if (entry.code == code || (entry.anyLine && ModuleOf(entry.code) == ModuleOf(code) &&
                                   ErrorOf(entry.code) == ErrorOf(code)))
          return entry.words;
  }
  const std::uint32_t number = ErrorOf(code);
  for (const auto& [error, words] : kMessages)
    if (error == number) return words;
  return kUnknown;
}

}  // namespace

void RegisterResultWords(std::span<const ResultWords> table) {
  const std::lock_guard lock(registeredLock);
  const bool known = std::any_of(registered.begin(), registered.end(), [&](std::span<const ResultWords> held) {
    return held.data() == table.data() && held.size() == table.size();
  });
  if (!known) registered.push_back(table);
}

void ResetResultWordsForTesting() {
  const std::lock_guard lock(registeredLock);
  registered.clear();
}

std::string ResultCodeHex(ResultCode code) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016" PRIx64, code);
  return text;
}

std::string DescribeResult(ResultCode code, std::string_view subject) {
  const std::string_view words = Words(code);
  std::string text;
  const std::size_t slot = words.find("%s");
  if (slot == std::string_view::npos) {
    text = words;
  } else {
    text.append(words.substr(0, slot)).append(subject).append(words.substr(slot + 2));
  }
  return text + " (" + ResultCodeHex(code) + ")";
}

}  // namespace quellsy
