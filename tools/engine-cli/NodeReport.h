#pragma once
// How the harness names and prints found nodes: the path through the tree, one JSON line per node, and the safe
// path a recovered file gets under the destination folder.

#include <filesystem>
#include <string>

#include "include/SearcherType.h"

class IFileNode;

// The names from the tree's root down to node, joined by "/" (a "/" inside a name becomes "_").
std::string NodePath(const IFileNode* node);
// The searcher of the tree the node hangs in (its root's).
_tagSearcherType NodeSearcher(const IFileNode* node);
// {"path": ..., "size": N, "deleted": true|false, "searcher": N, "partition": N}
std::string NodeJson(const IFileNode* node);
// text as a JSON string literal; invalid UTF-8 becomes U+FFFD.
std::string JsonString(const std::string& text);
// destination plus the node's path, each name made harmless (no separators, no "." or ".."), so nothing escapes
// the destination.
std::filesystem::path RecoveryPath(const std::filesystem::path& destination, const IFileNode* node);
