#include "RAWSearch/Framework/IRawFileAnalyser.h"

#include "RAWSearch/Framework/CRawFileInfo.h"

int IRawFileAnalyser::AnalyseBuffer(unsigned char*, CRawFileInfo&) { return 0; }

std::string IRawFileAnalyser::GetRawFileName() { return {}; }

std::string IRawFileAnalyser::GetRawFileTime() { return {}; }

CRawFileInfo* IRawFileAnalyser::CreateRawFileInfo() { return new CRawFileInfo(); }

ISpecialRawFileAnalyser* IRawFileAnalyser::GetSpecialRawFile() { return nullptr; }
