#pragma once
// The installed list of extensions by type group ("FileType"), read into the bridge's type manager and the
// process's one filter, which an earlier test may have made: pictures and movies are told from other files as
// the program tells them. ForgetFileTypes puts both back for the next test.

#include <cstdlib>
#include <filesystem>

#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIFilter.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "RecoveryFilter/RecoveryFilter.h"

namespace quellsy::test {

// False when QUELLSY_SOURCE_DIR does not say where the installed list is.
inline bool UseInstalledFileTypes() {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  if (!source) return false;
  KDTypeMgr::ResetForTests(std::filesystem::path(source) / "data" / "FileType.plist");
  KDUIController::initFileType();
  static_cast<CRecoveryFilter*>(CreateFilter())->Reset();
  KDUIFilter::instance()->ResetFilter(FILTER_TYPE_ALL);
  return true;
}

inline void ForgetFileTypes() {
  KDTypeMgr::ResetForTests();
  CFileTypeManager::ResetExtensionLists();
  static_cast<CRecoveryFilter*>(CreateFilter())->Reset();
}

}  // namespace quellsy::test
