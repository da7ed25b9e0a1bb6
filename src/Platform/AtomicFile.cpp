#include "Platform/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform/InvokingUser.h"
#include "Platform/WriteAll.h"

namespace quellsy::platform {

bool WriteWhole(int fd, const char* bytes, std::size_t length) { return WriteAll(fd, bytes, length); }

bool MakeUserFolders(const std::filesystem::path& folder) {
  if (folder.empty()) return true;
  std::vector<std::filesystem::path> missing;
  std::error_code error;
  for (auto step = folder; !step.empty() && !std::filesystem::exists(step, error); step = step.parent_path()) {
    missing.push_back(step);
    if (step == step.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (mkdir(it->c_str(), 0700) != 0) {
      if (errno != EEXIST) return false;
      continue;  // made meanwhile by someone else: not ours to give away
    }
    if (!GiveToInvokingUser(it->c_str())) return false;
  }
  return std::filesystem::is_directory(folder, error);
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  if (!MakeUserFolders(path.parent_path())) return false;
  std::string temporary = path.string() + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && GiveOpenFileToInvokingUser(fd) && fsync(fd) == 0;
  if (close(fd) != 0 || !written || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quellsy::platform
