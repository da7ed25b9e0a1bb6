#include "support/FixtureCache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "support/CommandOutput.h"

namespace quellsy::test {

namespace {

// Holds an exclusive lock on a file for its lifetime; the system lets go of it when the process dies.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& path) : fd_(open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644)) {
    while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        close(fd_);
        fd_ = -1;
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool Held() const { return fd_ >= 0; }

 private:
  int fd_;
};

constexpr const char* kMaking = ".making-";

// Folders a killed maker of this entry left, and earlier versions of it.
void RemoveLeftovers(const std::filesystem::path& cache, const std::string& family, const std::string& name) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(cache, error)) {
    const std::string file = entry.path().filename().string();
    const bool staleMaking = file.rfind(name + kMaking, 0) == 0;
    const bool olderVersion = file.rfind(family + "-", 0) == 0 && file.rfind(name, 0) != 0;
    if (staleMaking || olderVersion) std::filesystem::remove_all(entry.path(), error);
  }
}

// Sparse images stay sparse in the copy.
FixtureRun CopyInto(const std::filesystem::path& entry, const std::filesystem::path& out) {
  return RunFixtureCommand("cp -a --sparse=always --reflink=auto " + ShellQuoted((entry / ".").string()) + " " +
                           ShellQuoted(out.string()));
}

}  // namespace

std::optional<std::filesystem::path> FixtureCacheFolder() {
  if (const char* set = std::getenv("QUELLSY_FIXTURE_CACHE")) {
    if (*set == '\0') return std::nullopt;
    return std::filesystem::path(set);
  }
#ifdef QUELLSY_FIXTURE_CACHE_DIR
  return std::filesystem::path(QUELLSY_FIXTURE_CACHE_DIR);
#else
  return std::nullopt;
#endif
}

FixtureRun CachedFixture(const std::filesystem::path& cache, const std::string& family, const std::string& name,
                         const std::filesystem::path& out,
                         const std::function<FixtureRun(const std::filesystem::path& folder)>& make) {
  const std::filesystem::path entry = cache / name;
  if (std::filesystem::is_directory(entry)) return CopyInto(entry, out);

  std::error_code error;
  std::filesystem::create_directories(cache, error);
  const FileLock lock(cache / (name + ".lock"));
  if (!lock.Held()) return {FixtureRun::Outcome::kFailed, "cannot lock the fixture cache entry " + entry.string()};
  // Another process may have made it while this one waited for the lock.
  if (std::filesystem::is_directory(entry)) return CopyInto(entry, out);

  RemoveLeftovers(cache, family, name);
  std::string pattern = (cache / (name + kMaking + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr)
    return {FixtureRun::Outcome::kFailed, "cannot make a folder in the fixture cache " + cache.string()};
  const std::filesystem::path making = pattern;
  const FixtureRun run = make(making);
  if (!run.Made()) {
    std::filesystem::remove_all(making, error);
    return run;
  }
  std::filesystem::rename(making, entry, error);
  if (error) {
    std::filesystem::remove_all(making, error);
    return {FixtureRun::Outcome::kFailed, "cannot publish the fixture cache entry " + entry.string()};
  }
  return CopyInto(entry, out);
}

}  // namespace quellsy::test
