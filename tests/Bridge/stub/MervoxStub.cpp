// A stand-in for the outside statistics library: records every call as one line of text, which the test
// reads back through StubRecordedCalls.

#include <cstdio>
#include <string>
#include <vector>

#include "Bridge/ISmartSpy.h"

namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

std::string Wide(const wchar_t* text) {
  std::string out;
  for (; text && *text; ++text) out += *text < 128 ? static_cast<char>(*text) : '?';
  return out;
}

class RecordingSpy final : public ISmartSpy {
 public:
  void Finish() override { Calls().push_back("finish"); }
  void Send(std::int32_t a, std::int32_t b) override {
    Calls().push_back("send " + std::to_string(a) + " " + std::to_string(b));
  }
  void AddValue(std::int32_t key, std::int32_t value) override {
    Calls().push_back("add " + std::to_string(key) + " " + std::to_string(value));
  }
  void SetText2(std::int32_t key, const char* text) override {
    Calls().push_back("text2 " + std::to_string(key) + " " + text);
  }
  void SetWideText1(std::int32_t key, const wchar_t* text) override {
    Calls().push_back("wide1 " + std::to_string(key) + " " + Wide(text));
  }
  void SetText1(std::int32_t key, const char* text) override {
    Calls().push_back("text1 " + std::to_string(key) + " " + text);
  }
  void Count(std::int32_t key) override { Calls().push_back("count " + std::to_string(key)); }
};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void InstallSpy(int participate, const wchar_t* folder) {
  Calls().push_back("install " + std::to_string(participate) + " " + (folder ? Wide(folder) : "-"));
}

__attribute__((visibility("default"))) ISmartSpy* GetSmartSpy() {
  static RecordingSpy spy;
  return &spy;
}

__attribute__((visibility("default"))) void* StubRecordedCalls() { return &Calls(); }

}
