#pragma once
// How the harness names and prints found nodes: the path through the tree and one JSON line per node.

#include <string>
#include <string_view>
#include <vector>

#include "include/SearcherType.h"

class IFileNode;

// The names from the tree's root down to node, joined by "/" (a "/" inside a name becomes "_").
std::string NodePath(const IFileNode* node);
// The searcher of the tree the node hangs in (its root's).
_tagSearcherType NodeSearcher(const IFileNode* node);
// {"path": ..., "size": N, "deleted": true|false, "searcher": N, "partition": N}
std::string NodeJson(const IFileNode* node);
// text as a JSON string literal; invalid UTF-8 becomes U+FFFD, control characters (C1 too) are escaped.
std::string JsonString(std::string_view text);
void AppendJsonString(std::string& out, std::string_view text);

// Writes NodeJson lines into one growing buffer; its scratch space is kept from node to node, so that a listing
// of a hundred thousand nodes allocates nothing per node, and the path of the last node's folder is kept for its
// siblings. The nodes and their links must not change while one writer lists them.
class CNodeJsonWriter {
 public:
  // Appends NodeJson(node) to out.
  void Append(std::string& out, const IFileNode* node);

 private:
  std::vector<const IFileNode*> m_chain;
  std::string m_path;
  const IFileNode* m_parent = nullptr;  // the folder whose path is kept
  std::string m_parentPath;
  _tagSearcherType m_parentSearcher = SEARCHER_NONE;
  bool m_parentWhole = false;  // its chain reaches the root
};
