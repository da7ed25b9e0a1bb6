#pragma once
// How the harness names and prints found nodes: the path through the tree and one JSON line per node.

#include <string>

#include "include/SearcherType.h"

class IFileNode;

// The names from the tree's root down to node, joined by "/" (a "/" inside a name becomes "_").
std::string NodePath(const IFileNode* node);
// The searcher of the tree the node hangs in (its root's).
_tagSearcherType NodeSearcher(const IFileNode* node);
// {"path": ..., "size": N, "deleted": true|false, "searcher": N, "partition": N}
std::string NodeJson(const IFileNode* node);
// text as a JSON string literal; invalid UTF-8 becomes U+FFFD, control characters (C1 too) are escaped.
std::string JsonString(const std::string& text);
