#pragma once
// The label tree (searcher 36): hits that carry a label (artist, camera, office document, ...) are
// filed under a folder per label kind, then a folder per label value; office documents get one more
// level, by application. Folders reach the tree builder after the first file under them.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "RAWSearch/Framework/RawFileType.h"

class CRAWFileNode;
class CRawFileInfo;
class IDirecotryTreeBuilder;

class CLABELRAWTreeBuilder {
 public:
  // The root ID the search announces for the label tree.
  static constexpr long long kLabelRootID = 1000;
  static constexpr long long kFirstRawCount = 2001;

  // Results of InsertNodeToTree.
  static constexpr int kFiled = 1;
  // No folder fits the hit (no label, an unknown label kind, an office label on a non-office type).
  static constexpr int kNotPlaced = 0;
  // The tree builder refused the file node.
  static constexpr int kRefused = -1;

  // Next ID of a label-value folder or a file of the label tree; process-wide, counts on across
  // searches.
  static long long m_gRawCount;
  // Back to kFirstRawCount (tests).
  static void ResetRawCount() { m_gRawCount = kFirstRawCount; }

  CLABELRAWTreeBuilder() = default;
  CLABELRAWTreeBuilder(const CLABELRAWTreeBuilder&) = delete;
  CLABELRAWTreeBuilder& operator=(const CLABELRAWTreeBuilder&) = delete;

  // Files one labelled hit, creating the folders it needs. Nothing is made for a hit that cannot be
  // placed. Nodes the builder refuses are released here.
  int InsertNodeToTree(CRawFileInfo* info, IDirecotryTreeBuilder* treeBuilder);
  // The label value followed by the kind's suffix ("_MP3", "_CAMERA", "_Word", ...).
  static std::string GetKeyName(CRawFileInfo* info);

 private:
  struct OfficeApplication {
    long long id;
    const char* name;
  };

  // The application folder of an office type (DOC/DOCX, PPT/PPTX, XLS/XLSX), or null.
  static const OfficeApplication* OfficeApplicationOf(unsigned int rawFileType);
  static bool CanPlace(RAW_FILE_TAG tag, unsigned int rawFileType);

  // Each gives the folder's ID, made (and listed as new) on first use; nothing when memory is short.
  std::optional<long long> InsertTagKeyNodeToTree(RAW_FILE_TAG tag);
  std::optional<long long> InsertOfficeNode(long long parentID, unsigned int rawFileType);
  std::optional<long long> InsertSubTagNodeToTree(long long parentID, CRawFileInfo* info);
  // The label-value folder the hit belongs in, with the folders above it.
  std::optional<long long> GetParentNode(CRawFileInfo* info);
  // A new folder, put at the front of the new-folder list; false when memory is short.
  bool MakeDirNode(long long parentID, long long nodeID, const std::string& name);
  static CRAWFileNode* MakeFileNode(long long parentID, long long nodeID, CRawFileInfo* info);

  std::map<RAW_FILE_TAG, long long> m_tagFolders;
  // Label-value folders by (kind, key name), so that equal key names of two kinds stay apart.
  std::map<std::pair<RAW_FILE_TAG, std::string>, long long> m_keyFolders;
  // Application folders made so far (kept apart from label values: a value may be "Word").
  std::set<long long> m_officeFolders;
  // Folders made by the current insertion, newest first.
  std::vector<CRAWFileNode*> m_newFolders;
};
