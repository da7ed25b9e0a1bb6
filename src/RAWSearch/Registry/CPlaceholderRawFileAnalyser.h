#pragma once
// Stands in the registry for an analyser that is not written yet: it keeps the table's class name and
// type, claims no sector and sizes nothing. Where the missing analyser will own a plain member that
// is already written, the placeholder owns it in its place.

#include <cstdint>
#include <memory>

#include "RAWSearch/Framework/IRawFileAnalyser.h"

class CPlaceholderRawFileAnalyser : public IRawFileAnalyser {
 public:
  CPlaceholderRawFileAnalyser(const char* className, std::uint32_t type,
                              std::unique_ptr<IRawFileAnalyser> member = nullptr)
      : IRawFileAnalyser(type), m_className(className), m_pMember(std::move(member)) {}

  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  int AnalyseBuffer(unsigned char*, CRawFileInfo&) override { return 0; }

  const char* ClassName() const { return m_className; }
  // The plain member the missing analyser will own, or null.
  IRawFileAnalyser* Member() const { return m_pMember.get(); }

 private:
  const char* m_className;
  std::unique_ptr<IRawFileAnalyser> m_pMember;
};
