#include "RAWSearch/Framework/SearchSignFileAnalyser.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RawSearchTestSupport.h"
#include "support/ImageBuilder.h"

namespace {

using quellsy::test::ImageBuilder;
using quellsy::test::ImageFill;
using quellsy::test::RawSearchTest;
using quellsy::test::ScriptedProgress;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Filler(std::size_t count) { return std::string(count, 'A'); }

SearchSignCodeInfo Sign(const std::string& text, std::uint64_t maxSize = 0) {
  SearchSignCodeInfo sign{};
  std::memcpy(sign.sign, text.data(), text.size());
  sign.signLength = static_cast<std::uint32_t>(text.size());
  sign.maxSize = maxSize;
  return sign;
}

struct EndSignCase {
  const char* name;
  unsigned sectorSize;
  std::string content;  // placed at sector 3 of a junk image
  int caseSensitive;
  std::uint64_t maxSize;
  std::uint64_t size;
};

class SearchEndSignCode : public RawSearchTest, public ::testing::WithParamInterface<EndSignCase> {};

TEST_P(SearchEndSignCode, SizesTheFileAtItsEndSignature) {
  const EndSignCase& c = GetParam();
  const long long sectors = 8 + static_cast<long long>(c.content.size() / c.sectorSize);
  ImageBuilder image(sectors, c.sectorSize, ImageFill::kJunk);
  image.Place("page.htm", 3, Bytes(c.content));
  const long long blobSectors = static_cast<long long>((c.content.size() + c.sectorSize - 1) / c.sectorSize);
  image.Fill(3 + blobSectors, 1, ImageFill::kZero);  // junk before the file, one zero sector behind it
  auto device = image.MakeDevice();
  CRawFileInfo info;
  info.m_llStartSector = 3;
  EXPECT_EQ(SearchSignFileAnalyser().SearchEndSignCode(info, device.get(), Sign("</html>", c.maxSize), c.caseSensitive),
            1);
  EXPECT_EQ(info.m_ullSize, c.size);
}

const std::string kPage = "<html>" + Filler(1000);

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchEndSignCode,
    ::testing::Values(
        EndSignCase{"CaseSensitiveFindsTheSign", 512, kPage + "</html>", 1, 0, 1013},
        EndSignCase{"IgnoringCaseFindsUpperCase", 512, kPage + "</HTML>", 0, 0, 1013},
        EndSignCase{"IgnoringCaseFindsLowerCase", 512, kPage + "</html>", 0, 0, 1013},
        // A mixed-case tag is neither: the search runs to the limit (offsets 0 .. 4096 looked at).
        EndSignCase{"IgnoringCaseSkipsMixedCase", 512, kPage + "</HtMl>", 0, 4096, 4608},
        // Case-sensitive, a sector ending in 8 zero bytes without the sign ends the file before it.
        EndSignCase{"CaseSensitiveEndsBeforeAZeroTailedSector", 512, kPage + "</HTML>", 1, 0, 512},
        EndSignCase{"CaseSensitiveEndsAtTheFirstZeroSector", 512, Filler(1024), 1, 0, 1024},
        // Signatures split by a sector boundary end the file just behind them.
        EndSignCase{"StraddlingSign", 512, Filler(508) + "</html>", 1, 0, 515},
        EndSignCase{"StraddlingUpperCaseIgnoringCase", 512, Filler(508) + "</HTML>", 0, 0, 515},
        EndSignCase{"StraddlingLowerCaseIgnoringCase", 512, Filler(510) + "</html>", 0, 0, 517},
        EndSignCase{"StraddlingAWindowBoundary", 512, Filler(65536 - 4) + "</html>", 1, 0, 65539},
        EndSignCase{"StraddlingAWindowBoundary4096", 4096, Filler(524288 - 6) + "</html>", 0, 0, 524289},
        EndSignCase{"FindsTheSignOn4096ByteSectors", 4096, Filler(5000) + "</html>", 1, 0, 5007},
        // Sectors whose last bytes are not zero are not searched: the sign inside one is passed over.
        EndSignCase{"SignInAFullSectorIsPassedOver", 512, "</html>" + Filler(1017), 1, 0, 1024},
        EndSignCase{"NoZeroTailUntilTheLimit", 512, Filler(4096), 1, 1000, 1024}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(RawSearchTest, EndSignSearchStopsWhereTheDeviceOrTheScanStops) {
  ImageBuilder image(8, 512, ImageFill::kJunk);
  image.Place("cut.htm", 4, Bytes(Filler(2048)));
  auto device = image.MakeDevice();
  SearchSignFileAnalyser analyser;
  CRawFileInfo info;
  info.m_llStartSector = 4;
  // Ignoring case there is no zero-tail rule: the zeros behind the device's end are searched up to
  // the first window that cannot be loaded.
  analyser.SearchEndSignCode(info, device.get(), Sign("</html>"), 0);
  EXPECT_EQ(info.m_ullSize, 65536u);

  ScriptedProgress progress;
  progress.go = false;
  CNotifyCenter::Instance()->SetProgress(&progress);
  analyser.SearchEndSignCode(info, device.get(), Sign("</html>"), 1);
  EXPECT_EQ(info.m_ullSize, 0u);
  CNotifyCenter::Instance()->Reset();

  info.m_llStartSector = 9;
  analyser.SearchEndSignCode(info, device.get(), Sign("</html>"), 1);
  EXPECT_EQ(info.m_ullSize, 0u) << "starts past the device";

  info.m_ullSize = 77;
  EXPECT_EQ(analyser.SearchEndSignCode(info, nullptr, Sign("</html>"), 1), 1);
  EXPECT_EQ(info.m_ullSize, 0u);
  info.m_llStartSector = 4;
  SearchSignCodeInfo empty = Sign("");
  analyser.SearchEndSignCode(info, device.get(), empty, 1);
  EXPECT_EQ(info.m_ullSize, 0u);
  SearchSignCodeInfo tooLong = Sign("x");
  tooLong.signLength = SearchSignCodeInfo::kMaxSignLength + 1;
  analyser.SearchEndSignCode(info, device.get(), tooLong, 1);
  EXPECT_EQ(info.m_ullSize, 0u);
}

}  // namespace
