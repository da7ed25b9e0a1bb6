#include "RAWSearch/Controller/CLABELRAWTreeBuilder.h"

#include <iterator>

#include "RAWSearch/Controller/CRAWFileNode.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "include/IFileSystemSearchController.h"

long long CLABELRAWTreeBuilder::m_gRawCount = CLABELRAWTreeBuilder::kFirstRawCount;

namespace {

struct TagFolder {
  long long id;
  const char* name;
  const char* suffix;  // of key names; office documents take their application's instead
};

// Indexed by RAW_FILE_TAG.
constexpr TagFolder kTagFolders[] = {
    {-14, "Artists", "_MP3"}, {-15, "Camera", "_CAMERA"}, {-13, "Office", ""},
    {-8, "MOV", "_MOV"},      {-7, "PDF", "_PDF"},        {-6, "AI", ""},
};

const TagFolder* TagFolderOf(RAW_FILE_TAG tag) { return tag < std::size(kTagFolders) ? &kTagFolders[tag] : nullptr; }

}  // namespace

const CLABELRAWTreeBuilder::OfficeApplication* CLABELRAWTreeBuilder::OfficeApplicationOf(unsigned int rawFileType) {
  static constexpr OfficeApplication kWord{-12, "Word"};
  static constexpr OfficeApplication kPowerPoint{-10, "PowerPoint"};
  static constexpr OfficeApplication kExcel{-11, "Excel"};
  switch (rawFileType) {
    case RAW_FILE_TYPE_DOC:
    case RAW_FILE_TYPE_DOCX:
      return &kWord;
    case RAW_FILE_TYPE_PPT:
    case RAW_FILE_TYPE_PPTX:
      return &kPowerPoint;
    case RAW_FILE_TYPE_XLS:
    case RAW_FILE_TYPE_XLSX:
      return &kExcel;
    default:
      return nullptr;
  }
}

bool CLABELRAWTreeBuilder::CanPlace(RAW_FILE_TAG tag, unsigned int rawFileType) {
  if (!TagFolderOf(tag)) return false;
  return tag != RAW_FILE_TAG_OFFICE || OfficeApplicationOf(rawFileType) != nullptr;
}

std::string CLABELRAWTreeBuilder::GetKeyName(CRawFileInfo* info) {
  if (!info) return {};
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string key;
  info->GetRawFileTagAndValue(tag, key);
  if (tag == RAW_FILE_TAG_OFFICE) {
    if (const OfficeApplication* application = OfficeApplicationOf(info->m_uRawFileType))
      key += std::string("_") + application->name;
  } else if (const TagFolder* folder = TagFolderOf(tag)) {
    key += folder->suffix;
  }
  return key;
}

int CLABELRAWTreeBuilder::InsertNodeToTree(CRawFileInfo* info, IDirecotryTreeBuilder* treeBuilder) {
  if (!info) return kNotPlaced;
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  info->GetRawFileTagAndValue(tag, value);
  if (!CanPlace(tag, info->m_uRawFileType)) return kNotPlaced;

  m_newFolders.clear();
  const std::optional<long long> folder = GetParentNode(info);
  CRAWFileNode* file = folder ? MakeFileNode(*folder, m_gRawCount++, info) : nullptr;
  int result = folder ? kRefused : kNotPlaced;
  // The file first, then its new folders newest first: children reach the builder before parents.
  if (file && treeBuilder && treeBuilder->AddNode(file, SEARCHER_LABEL))
    result = kFiled;
  else if (file)
    file->Release();
  for (CRAWFileNode* made : m_newFolders)
    if (!treeBuilder || !treeBuilder->AddNode(made, SEARCHER_LABEL)) made->Release();
  m_newFolders.clear();
  return result;
}

std::optional<long long> CLABELRAWTreeBuilder::GetParentNode(CRawFileInfo* info) {
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  info->GetRawFileTagAndValue(tag, value);
  const auto known = m_keyFolders.find({tag, GetKeyName(info)});
  if (known != m_keyFolders.end()) return known->second;
  const std::optional<long long> tagFolder = InsertTagKeyNodeToTree(tag);
  if (!tagFolder) return std::nullopt;
  return InsertSubTagNodeToTree(*tagFolder, info);
}

std::optional<long long> CLABELRAWTreeBuilder::InsertTagKeyNodeToTree(RAW_FILE_TAG tag) {
  const auto known = m_tagFolders.find(tag);
  if (known != m_tagFolders.end()) return known->second;
  const TagFolder* folder = TagFolderOf(tag);
  if (!folder || !MakeDirNode(kLabelRootID, folder->id, folder->name)) return std::nullopt;
  m_tagFolders.emplace(tag, folder->id);
  return folder->id;
}

std::optional<long long> CLABELRAWTreeBuilder::InsertOfficeNode(long long parentID, unsigned int rawFileType) {
  const OfficeApplication* application = OfficeApplicationOf(rawFileType);
  if (!application) return std::nullopt;
  if (m_officeFolders.count(application->id) != 0) return application->id;
  if (!MakeDirNode(parentID, application->id, application->name)) return std::nullopt;
  m_officeFolders.insert(application->id);
  return application->id;
}

std::optional<long long> CLABELRAWTreeBuilder::InsertSubTagNodeToTree(long long parentID, CRawFileInfo* info) {
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  info->GetRawFileTagAndValue(tag, value);
  if (tag == RAW_FILE_TAG_OFFICE) {
    const std::optional<long long> application = InsertOfficeNode(parentID, info->m_uRawFileType);
    if (!application) return std::nullopt;
    parentID = *application;
  }
  const long long id = m_gRawCount++;
  if (!MakeDirNode(parentID, id, value)) return std::nullopt;
  m_keyFolders.emplace(std::make_pair(tag, GetKeyName(info)), id);
  return id;
}

bool CLABELRAWTreeBuilder::MakeDirNode(long long parentID, long long nodeID, const std::string& name) {
  CRawFileInfo folder;
  folder.m_llStartSector = -1;
  folder.SetRawFileName(name);
  auto* node = new (std::nothrow) CRAWFileNode();
  if (!node || !node->Initilaize(&folder, kFileAttributeDirectory, parentID, nodeID)) {
    delete node;
    return false;
  }
  m_newFolders.insert(m_newFolders.begin(), node);
  return true;
}

CRAWFileNode* CLABELRAWTreeBuilder::MakeFileNode(long long parentID, long long nodeID, CRawFileInfo* info) {
  auto* node = new (std::nothrow) CRAWFileNode();
  if (node && !node->Initilaize(info, kFileAttributeArchive, parentID, nodeID)) {
    delete node;
    return nullptr;
  }
  return node;
}
