#include "NodeReport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

#include "include/FileNode.h"
#include "Utility/Utf8Text.h"

namespace {

// Deeper than any real tree; a parent chain longer than this is cut rather than followed.
constexpr std::size_t kMaxDepth = 4096;

// The nodes from the tree's root down to node, into chain.
void Chain(const IFileNode* node, std::vector<const IFileNode*>& chain) {
  chain.clear();
  for (const IFileNode* at = node; at && chain.size() < kMaxDepth; at = at->GetParent()) chain.push_back(at);
  std::reverse(chain.begin(), chain.end());
}

// The path below a folder: its path, "/" and the node's name.
void AppendName(std::string& path, const IFileNode* at) {
  if (!path.empty()) path += '/';
  const std::size_t start = path.size();
  if (at->GetFileName()) path += at->GetFileName();
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), '/', '_');  // one name, one element
}

void PathOf(const std::vector<const IFileNode*>& chain, std::string& path) {
  path.clear();
  for (const IFileNode* at : chain) AppendName(path, at);
}

template <class Number>
void AppendNumber(std::string& out, Number value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

// Printable ASCII other than the quote and the backslash stands in a JSON string as it is.
bool IsPlain(char ch) { return ch >= 0x20 && ch < 0x7F && ch != '"' && ch != '\\'; }

}  // namespace

std::string NodePath(const IFileNode* node) {
  std::vector<const IFileNode*> chain;
  Chain(node, chain);
  std::string path;
  PathOf(chain, path);
  return path;
}

_tagSearcherType NodeSearcher(const IFileNode* node) {
  std::vector<const IFileNode*> chain;
  Chain(node, chain);
  return chain.empty() ? SEARCHER_NONE : chain.front()->GetSearcheType();
}

void AppendJsonString(std::string& out, std::string_view text) {
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
  out += '"';
}

std::string JsonString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendJsonString(out, text);
  return out;
}

void CNodeJsonWriter::Append(std::string& out, const IFileNode* node) {
  const auto* fileNode = dynamic_cast<const CFileNode*>(node);
  const unsigned partition = fileNode ? fileNode->GetBelongedPartition() : 0;
  // A folder's nodes are listed one after another: its path and searcher are worked out once for all of them.
  const IFileNode* parent = node->GetParent();
  if (parent != nullptr && parent != m_parent) {
    Chain(parent, m_chain);
    m_parent = parent;
    m_parentSearcher = m_chain.front()->GetSearcheType();
    // A chain cut at kMaxDepth would be cut one node lower for the child: the child's own chain says.
    m_parentWhole = m_chain.size() < kMaxDepth;
    PathOf(m_chain, m_parentPath);
  }
  _tagSearcherType searcher = SEARCHER_NONE;
  if (parent != nullptr && m_parentWhole) {
    m_path.assign(m_parentPath);
    AppendName(m_path, node);
    searcher = m_parentSearcher;
  } else {
    Chain(node, m_chain);
    searcher = m_chain.empty() ? SEARCHER_NONE : m_chain.front()->GetSearcheType();
    PathOf(m_chain, m_path);
  }
  out += "{\"path\": ";
  AppendJsonString(out, m_path);
  out += ", \"size\": ";
  AppendNumber(out, node->GetFileSize());
  out += node->IsDeleted() ? ", \"deleted\": true" : ", \"deleted\": false";
  out += ", \"searcher\": ";
  AppendNumber(out, static_cast<int>(searcher));
  out += ", \"partition\": ";
  AppendNumber(out, partition);
  out += '}';
}

std::string NodeJson(const IFileNode* node) {
  std::string json;
  CNodeJsonWriter().Append(json, node);
  return json;
}
