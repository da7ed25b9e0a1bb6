#pragma once
// Class operations the windows share: sizes as decimal texts, file-system names for display, the user's
// "PrivateData" settings, the system's version and language, a reachability probe, and programs run by their
// argument vectors with the output kept in a private temporary folder.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Platform/SettingsFile.h"
#include "Platform/UserPaths.h"

class KDPublicUtilities {
 public:
  KDPublicUtilities() = delete;

  // Decimal units up to gigabytes: "999 byte", "1.00 KB", "5000.00 GB".
  static std::string convertVolSpace(std::uint64_t bytes);
  // Decimal units up to terabytes.
  static std::string longlongDiskSize(std::int64_t bytes);
  static std::string longlongConvertVolSpace(std::int64_t bytes);
  // Whether the whole number of millions is above 2048.
  static bool isMoreThan2GB(std::int64_t bytes);
  // A size text back to bytes ("1.5 GB" -> 1500000000); 0 for null, empty or an unknown unit.
  static std::int64_t volSpaceFromString(const char* text);
  // "Disk Image" for a DMG, else the file system's name ("FAT32", "HFS+", ..., "Unknown"; "Disk" past the table).
  static std::string fileSystemTypeForInt(int code, bool isDmg, bool isQim);

  // Values of "PrivateData": the user's copy when there is one, else the one installed beside the program.
  static std::optional<std::string> getProductName();
  static std::optional<std::string> getInstallVersion();
  static std::optional<std::string> getUpDataTimeStr();
  // Stores the text in the user's copy (made from the installed one when missing); false when it cannot.
  static bool writeUpDataTimeStr(const std::string& text);
  // "PrivateData" whole, every kind of value: the user's copy when there is one, else the installed one, else
  // empty. Saved always into the user's copy (false without a configuration folder or when the write fails).
  static quellsy::platform::SettingsFile LoadPrivateData();
  static bool SavePrivateData(const quellsy::platform::SettingsFile& values);
  static bool isBootable();

  // Where "PrivateData" is read and written: the installed copy (the program's data folder) and the user's
  // (configuration folder). Empty paths go back to those (tests).
  static void SetPrivateDataPathsForTesting(const std::filesystem::path& installed, const std::filesystem::path& user);
  static std::filesystem::path InstalledPrivateDataPath();
  static std::optional<std::filesystem::path> UserPrivateDataPath();

  // Seconds since 1970 of a local date and time as the windows show them ("5 March 2024 14:07", the format of
  // KDUIPublic::FormatFileTimeToString); nothing when the whole text does not read so.
  static std::optional<std::int64_t> convertDateFromString(const std::string& text);

  // Whether a connection to host:port accepts a request and answers anything within 5 seconds.
  static bool isCanBeUseNetWork();
  static bool isCanBeUseNetWork(const std::string& host, const std::string& port);
  // The kernel's release "6.1.0-13-amd64" as 6, 1, 0; any pointer may be null. Unreadable: 10, 0, 0.
  static void getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix);
  // major * 100 + minor (6.1 gives 601, 6.13 gives 613).
  static int getSystemVersion();
  static int SystemVersionFromRelease(const char* release, unsigned* major, unsigned* minor, unsigned* bugFix);
  // The first language the user prefers ("de" from LANGUAGE "de:en", else from LC_ALL, LC_MESSAGES or LANG);
  // "en" when none is set or it is "C" or "POSIX".
  static std::string GetCurrentLanaguage();
};

// A program's standard output as a file in a private folder, removed with this object.
struct KDCommandOutput {
  quellsy::platform::PrivateTempDir folder;
  std::filesystem::path file;
  int exitStatus = -1;
};

// Runs argv (no shell) with its output sent to a file in a fresh private temporary folder; nothing for an empty
// argv or when the folder cannot be made.
std::optional<KDCommandOutput> KDExecCommand(const std::vector<std::string>& argv);

// What sysfs says of a disk or partition by its kernel name ("sdb", "sdb1"): "DeviceIdentifier", "MediaName",
// "TotalSize" (bytes), "DeviceBlockSize", "Removable" and "BusProtocol" for a disk, "ParentWholeDisk" and
// "PartitionNumber" for a partition; nothing for an empty, overlong (over 63 bytes) or unknown name.
std::optional<std::map<std::string, std::string>> KDGetDiskInfo(const char* name,
                                                                const std::filesystem::path& sysRoot = "/sys");
