#include "RAWSearch/Framework/CNotifyCenter.h"

#include "include/IProgress.h"

CNotifyCenter* CNotifyCenter::Instance() {
  static CNotifyCenter instance;
  return &instance;
}

int CNotifyCenter::isContinue() { return m_pProgress ? m_pProgress->Continued() : 1; }
