#pragma once
// Stands in the registry for an analyser that is not written yet: it keeps the table's class name and
// type, claims no sector and sizes nothing.

#include <cstdint>

#include "RAWSearch/Framework/IRawFileAnalyser.h"

class CPlaceholderRawFileAnalyser : public IRawFileAnalyser {
 public:
  CPlaceholderRawFileAnalyser(const char* className, std::uint32_t type)
      : IRawFileAnalyser(type), m_className(className) {}

  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  int AnalyseBuffer(unsigned char*, CRawFileInfo&) override { return 0; }

  const char* ClassName() const { return m_className; }

 private:
  const char* m_className;
};
