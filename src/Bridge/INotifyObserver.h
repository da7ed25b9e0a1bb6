#pragma once
// Something that wants the engine's events (a failed sector read, ...) as a message-centre receiver fans them
// out.

class INotifyObserver {
 public:
  virtual ~INotifyObserver() = default;
  // kind is the event type; payload is the receiver's copy of the event's bytes, null when it had none. Runs on
  // the message centre's thread, under the receiver's observer lock: it must not add or remove observers.
  virtual void Notify(int kind, void* payload) = 0;
};
