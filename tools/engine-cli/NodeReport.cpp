#include "NodeReport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "include/FileNode.h"
#include "Utility/Utf8Text.h"

namespace {

// Deeper than any real tree; a parent chain longer than this is cut rather than followed.
constexpr std::size_t kMaxDepth = 4096;

std::vector<const IFileNode*> Chain(const IFileNode* node) {
  std::vector<const IFileNode*> chain;
  for (const IFileNode* at = node; at && chain.size() < kMaxDepth; at = at->GetParent()) chain.push_back(at);
  return {chain.rbegin(), chain.rend()};
}

}  // namespace

std::string NodePath(const IFileNode* node) {
  std::string path;
  for (const IFileNode* at : Chain(node)) {
    if (!path.empty()) path += '/';
    std::string name = at->GetFileName() ? at->GetFileName() : "";
    std::replace(name.begin(), name.end(), '/', '_');  // one name, one path element
    path += name;
  }
  return path;
}

_tagSearcherType NodeSearcher(const IFileNode* node) {
  const std::vector<const IFileNode*> chain = Chain(node);
  return chain.empty() ? SEARCHER_NONE : chain.front()->GetSearcheType();
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = quellsy::Utf8SequenceLength(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    const char ch = text[i];
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (quellsy::IsControlCharacter(text, i, length)) {
      // C1 controls too: printed raw, a terminal would act on them.
      const unsigned code = length == 1 ? static_cast<unsigned char>(ch) : static_cast<unsigned char>(text[i + 1]);
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
      out += escaped;
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out + "\"";
}

std::string NodeJson(const IFileNode* node) {
  const auto* fileNode = dynamic_cast<const CFileNode*>(node);
  const unsigned partition = fileNode ? fileNode->GetBelongedPartition() : 0;
  return "{\"path\": " + JsonString(NodePath(node)) + ", \"size\": " + std::to_string(node->GetFileSize()) +
         ", \"deleted\": " + (node->IsDeleted() ? "true" : "false") +
         ", \"searcher\": " + std::to_string(static_cast<int>(NodeSearcher(node))) +
         ", \"partition\": " + std::to_string(partition) + "}";
}
