#include "NTFSLib/CVolumeFileAnalyzer.h"

#include <cstring>

#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSLayout.h"
#include "Utility/TextConvert.h"

std::optional<std::string> CVolumeFileAnalyzer::GetLabel(const CNTFSFileRecord& record) {
  if (!CMetaFileRecordTypeAnalyzer::IsVolumeFileRecord(record)) return std::nullopt;
  const auto name = record.FindAttibute(quellsy::ntfs::kVolumeName, 0);
  if (!name.IsValid() || name.IsNonResident()) return std::nullopt;
  const quellsy::ByteSpan content = name.GetContent();
  if (content.size() != name.GetContentLength() || content.size() % 2 != 0 || content.size() > kMaxNameUnits * 2)
    return std::nullopt;
  return quellsy::Utf16LeToUtf8(content, quellsy::InvalidUtf16::kReplace);
}

bool CVolumeFileAnalyzer::GetLabel(const CNTFSFileRecord& record, char* label, std::size_t size) {
  if (label == nullptr || size == 0) return false;
  const auto text = GetLabel(record);
  if (!text) return false;
  CopyLabel(*text, label, size);
  return true;
}

void CVolumeFileAnalyzer::CopyLabel(const std::string& text, char* label, std::size_t size) {
  if (label == nullptr || size == 0) return;
  const std::string_view kept = quellsy::CutUtf8(text, size - 1);
  std::memcpy(label, kept.data(), kept.size());
  label[kept.size()] = '\0';
}
