#pragma once
// Lives for one scan: receives the message centre's events through the receiver under id 1 and tells the
// windows of bad sectors ("BadSectorNotify"), on their own thread.

#include "Bridge/INotifyObserver.h"

class CMyNotifyCenter;

class CProgressNotify : public INotifyObserver {
 public:
  static constexpr int kReceiverId = 1;
  static constexpr const char* kBadSectorNotification = "BadSectorNotify";

  // Joins the receiver under id 1, registering the process-wide one (type 1) when there is none.
  CProgressNotify();
  // Leaves the receiver; the last observer to leave also unregisters id 1.
  ~CProgressNotify() override;
  CProgressNotify(const CProgressNotify&) = delete;
  CProgressNotify& operator=(const CProgressNotify&) = delete;

  // A bad sector (kind 1) goes to the windows through the main-thread poster; other kinds are ignored.
  void Notify(int kind, void* payload) override;

 private:
  CMyNotifyCenter* m_receiver = nullptr;
};
