#include "Bridge/CProgressNotify.h"

#include "Bridge/CMyNotifyCenter.h"
#include "Bridge/KDUIPublic.h"
#include "Utility/MessageCenter.h"

CProgressNotify::CProgressNotify() {
  CMessageCenter& centre = CMessageCenter::Instance();
  m_receiver = dynamic_cast<CMyNotifyCenter*>(centre.GetNotifyCenter(kReceiverId));
  if (!m_receiver) {
    m_receiver = CMyNotifyCenter::Instance();
    m_receiver->SetType(kReceiverId);
  }
  m_receiver->AddObserver(this);
  centre.UpdateNotifyCenter(kReceiverId, m_receiver);
}

CProgressNotify::~CProgressNotify() {
  m_receiver->RemoveObserver(this);
  CMessageCenter& centre = CMessageCenter::Instance();
  if (m_receiver->ObserverCount() == 0 && centre.GetNotifyCenter(kReceiverId) == m_receiver)
    centre.UnregisterNotifyCenter(kReceiverId);
}

void CProgressNotify::Notify(int kind, void* /*payload*/) {
  // The message centre's thread must not run window code: the poster carries it over.
  if (kind == EVENT_BAD_SECTOR) KDUIPublic::NotifyMainThread(kBadSectorNotification);
}
