#include "RecoveryFilter/FileTypeManager.h"

#include <mutex>

namespace {

struct ExtensionLists {
  std::mutex lock;
  std::string strDocument;
  std::string strPics;
  std::string strMovies;
  std::string strMusic;
  std::string strArchives;
  std::string strEmail;
};

ExtensionLists& Lists() {
  static ExtensionLists lists;
  return lists;
}

std::string EntryOf(const std::map<int, std::string>& catalogue, _FILTER_TYPE bit) {
  const auto found = catalogue.find(static_cast<int>(bit));
  return found != catalogue.end() ? found->second : std::string();
}

}  // namespace

void CFileTypeManager::Initialze(std::map<int, std::string>& catalogue) {
  ExtensionLists& lists = Lists();
  std::lock_guard<std::mutex> hold(lists.lock);
  lists.strDocument = EntryOf(catalogue, FILTER_TYPE_DOCUMENT);
  lists.strPics = EntryOf(catalogue, FILTER_TYPE_PICTURE);
  lists.strMovies = EntryOf(catalogue, FILTER_TYPE_MOVIE);
  lists.strMusic = EntryOf(catalogue, FILTER_TYPE_MUSIC);
  lists.strArchives = EntryOf(catalogue, FILTER_TYPE_ARCHIVES);
  lists.strEmail = EntryOf(catalogue, FILTER_TYPE_EMAIL);
}

void CFileTypeManager::ResetExtensionLists() {
  std::map<int, std::string> none;
  Initialze(none);
}

void CFileTypeManager::Initialize() {
  ExtensionLists& lists = Lists();
  std::lock_guard<std::mutex> hold(lists.lock);
  m_table.Clear();
  // An extension in two lists is found under the kind inserted first.
  Insert2Table(lists.strPics, FILE_TYPE_PICTURE);
  Insert2Table(lists.strMusic, FILE_TYPE_MUSIC);
  Insert2Table(lists.strMovies, FILE_TYPE_MOVIE);
  Insert2Table(lists.strEmail, FILE_TYPE_EMAIL);
  Insert2Table(lists.strArchives, FILE_TYPE_ARCHIVE);
  Insert2Table(lists.strDocument, FILE_TYPE_DOCUMENT);
}

void CFileTypeManager::Insert2Table(const std::string& list, FILE_TYPE_ID id) {
  if (list.empty()) return;
  // Every piece counts, the empty ones between two ";" or after a trailing ";" too.
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = list.find(';', start);
    const std::string piece = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
    m_table.InsertNode(piece.c_str(), id);
    if (end == std::string::npos) return;
    start = end + 1;
  }
}

FILE_TYPE_ID CFileTypeManager::GetFileTypeID(const char* extension) const {
  const FILE_TYPE_ID* id = m_table.FindNode(extension);
  return id != nullptr ? *id : FILE_TYPE_OTHER;
}
