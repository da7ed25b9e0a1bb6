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
  std::reverse(chain.begin(), chain.end());
  return chain;
}

std::string PathOf(const std::vector<const IFileNode*>& chain) {
  std::string path;
  for (const IFileNode* at : chain) {
    if (!path.empty()) path += '/';
    const std::size_t start = path.size();
    if (at->GetFileName()) path += at->GetFileName();
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '/', '_');  // one name, one element
  }
  return path;
}

// Printable ASCII other than the quote and the backslash stands in a JSON string as it is.
bool IsPlain(char ch) { return ch >= 0x20 && ch < 0x7F && ch != '"' && ch != '\\'; }

}  // namespace

std::string NodePath(const IFileNode* node) { return PathOf(Chain(node)); }

_tagSearcherType NodeSearcher(const IFileNode* node) {
  const std::vector<const IFileNode*> chain = Chain(node);
  return chain.empty() ? SEARCHER_NONE : chain.front()->GetSearcheType();
}

std::string JsonString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    std::size_t plain = i;
    while (plain < text.size() && IsPlain(text[plain])) ++plain;
    if (plain > i) {
      out.append(text, i, plain - i);
      i = plain;
      continue;
    }
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
  const std::vector<const IFileNode*> chain = Chain(node);
  const _tagSearcherType searcher = chain.empty() ? SEARCHER_NONE : chain.front()->GetSearcheType();
  std::string json = "{\"path\": ";
  json += JsonString(PathOf(chain));
  json += ", \"size\": ";
  json += std::to_string(node->GetFileSize());
  json += node->IsDeleted() ? ", \"deleted\": true" : ", \"deleted\": false";
  json += ", \"searcher\": ";
  json += std::to_string(static_cast<int>(searcher));
  json += ", \"partition\": ";
  json += std::to_string(partition);
  json += '}';
  return json;
}
