#include "RAWSearch/RawSearchState.h"

#include "RAWSearch/CRawFileAnalyserListSingle.h"
#include "RAWSearch/RawFileBuffer.h"

void ResetRawSearchState() {
  CRawFileAnalyserListSingle::CreateInstance()->ClearSearchSet();
  RawFileBuffer::ResetSharedWindow();
}
