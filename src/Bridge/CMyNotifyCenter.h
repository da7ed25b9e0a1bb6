#pragma once
// A message-centre receiver that hands every event to a list of observers.

#include <mutex>
#include <vector>

#include "Bridge/INotifyObserver.h"
#include "Utility/MessageCenter.h"

class CMyNotifyCenter : public INotifyCenter {
 public:
  // The process-wide receiver; never destroyed, so the message centre may hold it at any time.
  static CMyNotifyCenter* Instance();

  CMyNotifyCenter() = default;
  CMyNotifyCenter(const CMyNotifyCenter&) = delete;
  CMyNotifyCenter& operator=(const CMyNotifyCenter&) = delete;

  int GetType() const;
  void SetType(int type);

  // Observers are not owned.
  void AddObserver(INotifyObserver* observer);
  // The first entry equal to observer; nothing when absent. Once it returns, observer is not called any more.
  void RemoveObserver(INotifyObserver* observer);
  int ObserverCount() const;

  // 0 for null. Keeps a copy of the event's payload in place of the previous one (none for length 0) and hands
  // the event's type to every observer.
  int Notify(_MSG_EVENT* event) override;
  // Calls every observer, in the order they were added, with kind and the payload copy.
  void NotifyObserver(int kind);

 private:
  mutable std::mutex m_CriticalSection;  // observers, type
  std::vector<INotifyObserver*> m_observers;
  int m_type = 0;
  // Only the message centre's one thread calls Notify, so the copy needs no lock of its own.
  std::vector<unsigned char> m_payload;
};
