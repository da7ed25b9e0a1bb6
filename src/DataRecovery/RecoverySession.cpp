#include "DataRecovery/RecoverySession.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/RecoveryName.h"
#include "include/IDataRecovery.h"
#include "include/IFileNode.h"
#include "Utility/TimeUtil.h"

using quellsy::ResultCode;

namespace {

// Deeper than any real tree; a parent chain longer than this is cut rather than followed.
constexpr std::size_t kMaxDepth = 4096;

// The node's ancestors from the tree's root down, then the node.
std::vector<IFileNode*> Chain(IFileNode* node) {
  std::vector<IFileNode*> chain;
  for (IFileNode* at = node; at != nullptr && chain.size() < kMaxDepth; at = at->GetParent()) chain.push_back(at);
  return {chain.rbegin(), chain.rend()};
}

std::string DiskName(IFileNode* node) { return node->GetFileName() != nullptr ? node->GetFileName() : ""; }

// The name as the listing shows it: a "/" inside a name would read as a folder.
std::string ShownName(IFileNode* node) {
  std::string name = DiskName(node);
  for (char& ch : name)
    if (ch == '/') ch = '_';
  return name;
}

// Closes the folders a walk opened.
struct OpenFolders {
  std::vector<int> fds;
  ~OpenFolders() {
    for (const int fd : fds) close(fd);
  }
};

bool IsStopped(ResultCode result) { return quellsy::ErrorOf(result) == quellsy::error::kIncomplete; }

}  // namespace

RecoverySession::Outcome RecoverySession::Count(Outcome outcome) {
  if (outcome.kind == Kind::kCopied) ++m_copied;
  if (outcome.kind == Kind::kIncomplete) ++m_incomplete;
  if (outcome.kind == Kind::kFailed) ++m_failed;
  if (outcome.renamed && !outcome.writtenPath.empty()) ++m_renamed;
  return outcome;
}

RecoverySession::Outcome RecoverySession::Recover(IDataRecovery& recovery, IFileNode* node, IProgress* progress) {
  Outcome outcome;
  const std::vector<IFileNode*> chain = Chain(node);
  if (chain.empty()) return Count(outcome);
  for (IFileNode* at : chain) outcome.diskPath += (outcome.diskPath.empty() ? "" : "/") + ShownName(at);

  // The folders, from the destination down.
  OpenFolders folders;
  int parent = m_destination.Root();
  std::string asked;
  std::string made;
  for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
    const std::string name = quellsy::MakeRecoveryName(DiskName(chain[i])).name;
    asked += "/" + name;
    const auto known = m_folders.find(asked);
    const std::string want = known != m_folders.end() ? known->second.substr(known->second.rfind('/') + 1) : name;
    const RecoveryDestination::Entry folder = RecoveryDestination::OpenFolder(parent, want);
    if (folder.fd < 0) {
      outcome.result = RecoveryDestination::kCannotOpen;
      outcome.error = folder.error;
      m_full = folder.error == ENOSPC || folder.error == EDQUOT;
      return Count(outcome);
    }
    made += "/" + folder.name;
    m_folders.emplace(asked, made);
    folders.fds.push_back(folder.fd);
    parent = folder.fd;
  }

  const quellsy::RecoveryName fileName = quellsy::MakeRecoveryName(DiskName(chain.back()));
  const RecoveryDestination::Entry file = RecoveryDestination::CreateFile(parent, fileName.name);
  if (file.fd < 0) {
    outcome.result = RecoveryDestination::kCannotOpen;
    outcome.error = file.error;
    m_full = file.error == ENOSPC || file.error == EDQUOT;
    return Count(outcome);
  }
  ResultCode result = recovery.RecoverNodeToFile(node, file.fd, progress, 0);
  if (close(file.fd) != 0 && !quellsy::IsFailure(result)) result = CDataRecovery::kRecoverShortWrite;
  outcome.result = result;
  std::string written = file.name;
  if (result == CDataRecovery::kRecoverPartial || IsStopped(result)) {
    // Zeros stand where reads failed, or the copy was stopped: the name must say the file is not whole.
    const auto marked = RecoveryDestination::Rename(parent, file.name, quellsy::IncompleteName(file.name));
    if (marked) written = *marked;
    outcome.kind = marked ? Kind::kIncomplete : Kind::kFailed;
    if (!marked) unlinkat(parent, file.name.c_str(), 0);
  } else if (quellsy::IsFailure(result)) {
    if (auto* data = dynamic_cast<CDataRecovery*>(&recovery)) outcome.error = data->GetLastWriteError();
    unlinkat(parent, file.name.c_str(), 0);
    m_full = result == CDataRecovery::kRecoverNoSpace;
    return Count(outcome);
  } else {
    outcome.kind = Kind::kCopied;
  }
  if (outcome.kind == Kind::kFailed) return Count(outcome);

  outcome.writtenPath = (made.empty() ? "" : made.substr(1) + "/") + written;
  // Against the path the listing shows: marking an incomplete file is not a rename.
  const std::string shown = (made.empty() ? "" : made.substr(1) + "/") + file.name;
  outcome.renamed = shown != outcome.diskPath;
  // Each folder above the file takes its node's time (the writes inside changed it).
  for (std::size_t i = folders.fds.size(); i-- > 0;) {
    const unsigned long long time = chain[i]->GetCreationTime();
    if (time == 0) continue;
    const timespec times[2] = {{0, UTIME_OMIT}, quellsy::FileTimeToTimespec(time)};
    futimens(folders.fds[i], times);
  }
  return Count(outcome);
}
