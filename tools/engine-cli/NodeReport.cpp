#include "NodeReport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "include/FileNode.h"

namespace {

// Deeper than any real tree; a parent chain longer than this is cut rather than followed.
constexpr std::size_t kMaxDepth = 4096;

std::vector<const IFileNode*> Chain(const IFileNode* node) {
  std::vector<const IFileNode*> chain;
  for (const IFileNode* at = node; at && chain.size() < kMaxDepth; at = at->GetParent()) chain.push_back(at);
  return {chain.rbegin(), chain.rend()};
}

std::string SafeName(const char* name) {
  std::string safe = name ? name : "";
  for (char& ch : safe) {
    if (ch == '/' || ch == '\\') ch = '_';
  }
  if (safe.empty() || safe == "." || safe == "..") safe = "_" + safe;
  return safe;
}

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned min = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  unsigned code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
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
    const std::size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    const char ch = text[i];
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (length == 1 && static_cast<unsigned char>(ch) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(ch));
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

std::filesystem::path RecoveryPath(const std::filesystem::path& destination, const IFileNode* node) {
  std::filesystem::path path = destination;
  for (const IFileNode* at : Chain(node)) path /= SafeName(at->GetFileName());
  return path;
}
