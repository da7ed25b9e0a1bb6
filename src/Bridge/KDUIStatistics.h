#pragma once
// Usage figures handed to the outside statistics library ("libmervox.so" in the executable's folder), loaded
// at run time on first use. Without the library, its entry points or its object, every call does nothing;
// keys below 4096 are never passed on.

#include <cstdint>
#include <filesystem>
#include <string>

class KDUIStatistics {
 public:
  KDUIStatistics() = delete;

  static constexpr std::int32_t kFirstTableKey = 4096;
  static constexpr std::int32_t kEndpointKey = 3584;
  static constexpr std::int32_t kQimRsfKey = 4175;
  // The setting that says whether the user takes part.
  static constexpr const char* kParticipateKey = "Participate";
  static constexpr const char* kEndpoint =
      "http://statistics.invalid/product/index.php/?a=statistics&p_type=m_mac_fxr_user_operation";

  // The library's handle (loaded once; null when missing).
  static void* LoadSpyModule();
  static void SpyIDInstall();
  static void SetUserParticipart(bool participate);
  static void SpyIDIncreateTable1(std::int32_t key);
  static void SpyIDIncreateTable2(std::int32_t key, std::int32_t value);
  static void SpyIDStringTable1(std::int32_t key, const std::string& text);
  static void SpyIDStringTable2(std::int32_t key, const std::string& text);
  static void SpyIDWStringTable1(std::int32_t key, const std::string& text);
  static void SpyIDSaveToServerTable();
  static void SpyIDEnd();
  // Counts one use of a scan-result file of a qim image, when the current scan was restored from one.
  static void SetQimRsf();

  // Where the library is looked for; empty goes back to the executable's folder (tests).
  static void SetLibraryPathForTesting(const std::filesystem::path& path);
  // Forgets the object and the counter and unloads the library (tests).
  static void ResetForTesting();
};

// UTF-8 to UCS-4 in the machine's byte order into `target` (bytes, a terminating zero kept inside): the
// converter's result, or -1 when the converter cannot be opened or the arguments are unusable.
long UTF82WCHAR(const char* source, std::size_t sourceLength, wchar_t* target, std::size_t targetBytes);
