#include "RAWSearch/Controller/RawSearchState.h"

#include "RAWSearch/Framework/RawFileBuffer.h"
#include "RAWSearch/Registry/CRawFileAnalyserListSingle.h"

void ResetRawSearchState() {
  CRawFileAnalyserListSingle::CreateInstance()->ClearSearchSet();
  RawFileBuffer::ResetSharedWindow();
}
