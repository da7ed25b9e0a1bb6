#include "RAWSearch/Controller/CRAWFileNode.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <new>

#include "RAWSearch/Controller/CRAWFileProperties.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "Utility/FileUtil.h"
#include "Utility/TextConvert.h"
#include "Utility/TimeUtil.h"
#include "include/IDataRunList.h"

std::vector<int> g_s_CountPerFileTypeVector;

void ResetRawFileCounters() {
  g_s_CountPerFileTypeVector.clear();
  g_s_CountPerFileTypeVector.resize(kRawFileCounterSlots, 0);
}

namespace {

struct TimeField {
  int low;
  int high;
};

// Year, month, day, hour, minute, second; the day is checked against its month separately.
constexpr TimeField kTimeFields[] = {{1900, 2100}, {1, 12}, {1, 31}, {0, 23}, {0, 59}, {0, 59}};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool ParseNumber(const std::string& field, int& value) {
  if (field.empty() || !std::all_of(field.begin(), field.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size();
}

}  // namespace

CRAWFileNode::CRAWFileNode(const CRAWFileNode& other) : CFileNode(other), m_strName(other.m_strName) {}

CRAWFileNode::~CRAWFileNode() { CRAWFileProperties::Destory(m_pProperties); }

long long CRAWFileNode::GetFileSize() const { return m_pProperties ? m_pProperties->GetFileSize() : 0; }

unsigned short CRAWFileNode::GetAttribute() const { return m_pProperties ? m_pProperties->GetAttribute() : 0; }

unsigned long long CRAWFileNode::GetLastAccessTime() const {
  return m_pProperties ? TimeTextToFileTime(m_pProperties->GetRawFileCreateTime()) : 0;
}

int CRAWFileNode::IsDirectory() const {
  if (!m_pProperties) return 1;
  return (m_pProperties->GetAttribute() & kFileAttributeDirectory) != 0 ? 1 : 0;
}

IFileNode* CRAWFileNode::Clone() {
  auto* copy = new (std::nothrow) CRAWFileNode(*this);
  if (!copy || !m_pProperties) return copy;
  copy->m_pProperties = static_cast<CRAWFileProperties*>(m_pProperties->Clone());
  if (!copy->m_pProperties) {
    delete copy;
    return nullptr;
  }
  return copy;
}

IFileProperties* CRAWFileNode::GetFileProperties() { return m_pProperties; }

bool CRAWFileNode::IsIncomplete() const { return m_pProperties && m_pProperties->IsIncomplete(); }

bool CRAWFileNode::Initilaize(CRawFileInfo* info, unsigned int attribute, long long parentID, long long nodeID) {
  if (!info) return false;
  CRAWFileProperties* properties = CRAWFileProperties::Create();
  if (!properties || !properties->InitRawFileProperties(*info)) {
    CRAWFileProperties::Destory(properties);
    return false;
  }
  IDataRunList* runs = properties->GetDataRunList()->Clone();
  if (!runs) {
    CRAWFileProperties::Destory(properties);
    return false;
  }
  properties->SetAttribute(static_cast<unsigned short>(attribute));
  const std::string name = (attribute & kFileAttributeDirectory) != 0
                               ? ShownNamePart(info->GetRawFileName())
                               : BuildFileName(info->m_uRawFileType, info->GetRawFileName());
  properties->SetRawFileName(name.c_str());
  m_strName = name;
  CRAWFileProperties::Destory(m_pProperties);
  m_pProperties = properties;
  SetDataRunList(runs);
  SetCurrentNodeID(nodeID);
  SetParentNodeID(parentID);
  return true;
}

std::string CRAWFileNode::BuildFileName(unsigned int rawFileType, const std::string& name) {
  if (g_s_CountPerFileTypeVector.size() < kRawFileCounterSlots) g_s_CountPerFileTypeVector.resize(kRawFileCounterSlots);
  const char* extension = RawFileExtension(rawFileType);
  if (!extension) extension = g_s_strFileExtName[RAW_FILE_TYPE_NONE];
  int& counter = g_s_CountPerFileTypeVector[rawFileType < kRawFileCounterSlots ? rawFileType : RAW_FILE_TYPE_NONE];
  std::string part = ShownNamePart(name);
  if (part.empty() || !isValidString(part.c_str())) part = "FILE";
  char number[16];
  std::snprintf(number, sizeof number, "%03d", counter++);
  return part + number + "." + extension;
}

std::string CRAWFileNode::ShownNamePart(const std::string& name) {
  std::string part = CFileNode::FilterFileNameByDot(name);
  part.resize(quellsy::CutUtf8(part, kMaxNamePartBytes).size());
  return part;
}

bool CRAWFileNode::FileTimeStructs(const std::string& text, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  for (char c : text) {
    if (c == ' ' || c == '-' || c == ':') {
      if (!field.empty()) fields.push_back(std::move(field));
      field.clear();
    } else {
      field.push_back(c);
    }
  }
  if (!field.empty()) fields.push_back(std::move(field));
  return !fields.empty();
}

unsigned long long CRAWFileNode::TimeTextToFileTime(const std::string& text) {
  std::vector<std::string> fields;
  if (!FileTimeStructs(text, fields) || fields.size() < std::size(kTimeFields)) return 0;
  int values[std::size(kTimeFields)] = {};
  for (std::size_t i = 0; i < std::size(kTimeFields); ++i) {
    if (!ParseNumber(fields[i], values[i]) || values[i] < kTimeFields[i].low || values[i] > kTimeFields[i].high)
      return 0;
  }
  if (values[2] > DaysInMonth(values[0], values[1])) return 0;
  std::tm local{};
  local.tm_year = values[0] - 1900;
  local.tm_mon = values[1] - 1;
  local.tm_mday = values[2];
  local.tm_hour = values[3];
  local.tm_min = values[4];
  local.tm_sec = values[5];
  local.tm_isdst = -1;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return 0;
  return quellsy::UnixSecondsToFileTime(static_cast<std::int64_t>(seconds));
}
