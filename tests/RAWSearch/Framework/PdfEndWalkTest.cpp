// Where a PDF document ends by its structure, on documents written here with their real offsets: the
// walk is fed the bytes at once and in pieces of several sizes (as the search and the read window hand
// them over), with zeros, junk or another document behind the end.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "RAWSearch/Framework/PdfEndWalk.h"
#include "support/samples/PatternBytes.h"

namespace quellsy::test {
namespace {

// A document written piece by piece, every offset the real one: objects, cross-reference sections
// (tables or streams) with their trailers and end marks.
class PdfWriter {
 public:
  explicit PdfWriter(std::string header = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n") : text_(std::move(header)) {}

  void Object(int number, const std::string& body) {
    offsets_[number] = text_.size();
    text_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  }
  void Raw(const std::string& text) { text_ += text; }

  // A table of the objects written since the last section, its trailer and end mark with `lineEnd`;
  // `stated` replaces the offset "startxref" gives. Returns the offset just past the line end.
  std::size_t Table(const std::string& lineEnd = "\n", std::optional<std::size_t> stated = {}) {
    const std::size_t at = text_.size();
    text_ += "xref\n0 1\n0000000000 65535 f \n";
    for (const auto& [number, offset] : offsets_) {
      char entry[32];
      std::snprintf(entry, sizeof entry, "%d 1\n%010zu 00000 n \n", number, offset);
      text_ += entry;
    }
    text_ += "trailer\n<< /Size " + std::to_string(offsets_.rbegin()->first + 1) + " /Root 1 0 R" + Prev() +
             " >>\n";
    return Close(at, lineEnd, stated);
  }
  // A cross-reference stream object (its data bytes stand in for the entries), then the end mark.
  std::size_t Stream(int number, const std::string& lineEnd = "\n") {
    const std::size_t at = text_.size();
    const std::string data(24, '\x01');
    text_ += std::to_string(number) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(number + 1) +
             " /W [1 2 1] /Root 1 0 R" + Prev() + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
             data + "\nendstream\nendobj\n";
    return Close(at, lineEnd, {});
  }

  const std::string& text() const { return text_; }

 private:
  std::string Prev() const { return previous_ ? " /Prev " + std::to_string(*previous_) : ""; }
  std::size_t Close(std::size_t at, const std::string& lineEnd, std::optional<std::size_t> stated) {
    text_ += "startxref\n" + std::to_string(stated.value_or(at)) + "\n%%EOF" + lineEnd;
    previous_ = at;
    offsets_.clear();
    return text_.size();
  }

  std::string text_;
  std::map<int, std::size_t> offsets_;
  std::optional<std::size_t> previous_;
};

const std::string kPage = "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>";

PdfWriter Document() {
  PdfWriter pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.Object(3, kPage);
  pdf.Object(4, "<< /Length 44 >>\nstream\nBT /F1 12 Tf 72 712 Td (A line of text) Tj ET\nendstream");
  return pdf;
}

struct Walked {
  PdfEndWalk::State state;
  std::uint64_t end;
  std::uint64_t markEnd;
};

// The walk over `bytes` handed over `piece` bytes more at a time (0: all at once), each piece starting
// the look-behind before where the walk stands.
Walked Walk(const std::string& text, std::size_t piece) {
  const ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  PdfEndWalk walk;
  std::size_t held = 0;
  while (walk.GetState() == PdfEndWalk::State::kWaiting && held < bytes.size()) {
    held = piece == 0 ? bytes.size() : std::min(bytes.size(), held + piece);
    const std::uint64_t from = walk.Next() - std::min(walk.Next(), PdfEndWalk::kLookBehind);
    walk.Advance(bytes.subspan(static_cast<std::size_t>(from), held - static_cast<std::size_t>(from)), from);
  }
  return {walk.GetState(), walk.End(), walk.MarkEnd()};
}

struct EndCase {
  const char* name;
  // The document and where it ends (the last valid end; 0: none), and where its last mark ends.
  std::function<void(std::string& text, std::size_t& end, std::size_t& markEnd)> write;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class PdfEndWalkTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(PdfEndWalkTest, EndsAfterTheLastValidEndMarkWhateverFollows) {
  std::string document;
  std::size_t end = 0;
  std::size_t markEnd = 0;
  GetParam().write(document, end, markEnd);
  const std::vector<std::uint8_t> junk = PatternBytes(700, 11);
  const std::map<std::string, std::string> behind = {
      {"zeros", std::string(700, '\0')},
      {"junk", std::string(junk.begin(), junk.end())},
      {"another document", Document().text()},
  };
  for (const auto& [what, after] : behind) {
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{512}}) {
      SCOPED_TRACE(what + ", pieces of " + std::to_string(piece));
      const Walked walked = Walk(document + after, piece);
      EXPECT_EQ(walked.state, PdfEndWalk::State::kDone);
      EXPECT_EQ(walked.end, end);
      EXPECT_EQ(walked.markEnd, markEnd);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PdfEndWalkTest,
    ::testing::Values(
        EndCase{"Table",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = markEnd = pdf.Table();
                  text = pdf.text();
                }},
        EndCase{"CrLfLineEnd",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = markEnd = pdf.Table("\r\n");
                  text = pdf.text();
                }},
        EndCase{"CrLineEnd",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = markEnd = pdf.Table("\r");
                  text = pdf.text();
                }},
        EndCase{"NoLineEnd",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = markEnd = pdf.Table("");
                  text = pdf.text();
                }},
        EndCase{"CrossReferenceStream",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = markEnd = pdf.Stream(5);
                  text = pdf.text();
                }},
        // An update: new objects, a table whose trailer links the first, and a second mark.
        EndCase{"IncrementalUpdate",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  pdf.Table();
                  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Rotate 90 >>");
                  end = markEnd = pdf.Table();
                  text = pdf.text();
                }},
        // As exiftool writes one: behind a comment line, ending with a stream section.
        EndCase{"UpdateBehindACommentLine",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  pdf.Stream(5);
                  pdf.Raw("%BeginExifToolUpdate\n");
                  pdf.Object(6, "<< /Title (Updated) >>");
                  pdf.Raw("%EndExifToolUpdate 1234\n");
                  end = markEnd = pdf.Stream(7);
                  text = pdf.text();
                }},
        // A linearized file's first-page section ends early; the rest of the document follows it.
        EndCase{"LinearizedFirstPageSection",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf;
                  pdf.Object(7, "<< /Linearized 1 /L 9999 >>");
                  pdf.Table();
                  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
                  pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
                  pdf.Object(3, kPage);
                  end = markEnd = pdf.Table();
                  text = pdf.text();
                }},
        // A "startxref" that points at no cross-reference section: the mark still ends the document.
        EndCase{"OffsetPointingElsewhere",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  markEnd = pdf.Table("\n", 20);
                  end = 0;
                  text = pdf.text();
                }},
        // An update whose offset is wrong keeps the last valid end.
        EndCase{"UpdateWithAWrongOffset",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  end = pdf.Table();
                  pdf.Object(3, kPage);
                  markEnd = pdf.Table("\n", 15);
                  text = pdf.text();
                }},
        // A whole document stored uncompressed in a stream: its end mark points into itself, not at this
        // document's sections, and "endstream" follows it.
        EndCase{"DocumentEmbeddedInAStream",
                [](std::string& text, std::size_t& end, std::size_t& markEnd) {
                  PdfWriter pdf = Document();
                  const std::string inner = Document().text() + "xref\n0 1\n0000000000 65535 f \ntrailer\n<< >>\n"
                                                                "startxref\n300\n%%EOF\n";
                  pdf.Object(5, "<< /Type /EmbeddedFile /Length " + std::to_string(inner.size()) + " >>\nstream\n" +
                                    inner + "endstream");
                  end = markEnd = pdf.Table();
                  text = pdf.text();
                }}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PdfEndWalk, WaitsWhileWhatFollowsAnEndIsNotAtHand) {
  PdfWriter pdf = Document();
  const std::size_t end = pdf.Table();
  // A blank line behind the end, and nothing yet after it.
  const std::string text = pdf.text() + "\n";
  const ByteSpan bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  PdfEndWalk walk;
  EXPECT_EQ(walk.Advance(bytes, 0), PdfEndWalk::State::kWaiting);
  EXPECT_EQ(walk.End(), end);
  EXPECT_EQ(walk.Next(), text.size());
  // Without an end mark there is nothing to end at.
  PdfEndWalk none;
  const std::string body = Document().text() + std::string(600, '\0');
  EXPECT_EQ(none.Advance({reinterpret_cast<const std::uint8_t*>(body.data()), body.size()}, 0),
            PdfEndWalk::State::kWaiting);
  EXPECT_EQ(none.End(), 0u);
  EXPECT_EQ(none.MarkEnd(), 0u);
}

}  // namespace
}  // namespace quellsy::test
