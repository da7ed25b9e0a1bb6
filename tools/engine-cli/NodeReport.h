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
// of a hundred thousand nodes allocates nothing per node.
class CNodeJsonWriter {
 public:
  // Appends NodeJson(node) to out.
  void Append(std::string& out, const IFileNode* node);

 private:
  std::vector<const IFileNode*> m_chain;
  std::string m_path;
};
