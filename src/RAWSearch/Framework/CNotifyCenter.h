#pragma once
// The signature search's cancel flag: every loop of the search and its analysers asks isContinue(),
// which forwards the question to the scan's progress sink.

class IProgress;

class CNotifyCenter {
 public:
  static CNotifyCenter* Instance();

  // Not owned; null forgets the sink.
  void SetProgress(IProgress* progress) { m_pProgress = progress; }
  // Non-zero without a sink, else the sink's Continued().
  int isContinue();
  void Reset() { m_pProgress = nullptr; }

 private:
  CNotifyCenter() = default;

  IProgress* m_pProgress = nullptr;
};
