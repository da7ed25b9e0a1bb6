#pragma once
// The statistics object of the outside usage-statistics library, as the library hands it out. The order of the
// operations is the library's interface: a component supplying the library keeps it.

#include <cstdint>

class ISmartSpy {
 public:
  virtual void Finish() = 0;
  virtual void Send(std::int32_t first, std::int32_t second) = 0;
  virtual void AddValue(std::int32_t key, std::int32_t value) = 0;
  virtual void SetText2(std::int32_t key, const char* utf8) = 0;
  virtual void SetWideText1(std::int32_t key, const wchar_t* ucs4) = 0;
  virtual void SetText1(std::int32_t key, const char* utf8) = 0;
  virtual void Count(std::int32_t key) = 0;

 protected:
  ~ISmartSpy() = default;
};

// The library's two entry points.
extern "C" {
using InstallSpyFunction = void (*)(int participate, const wchar_t* folder);
using GetSmartSpyFunction = ISmartSpy* (*)();
}
