#pragma once
// A fixture for tests that file hits into trees: every process-wide counter of the result nodes back
// at its start, and a file-type catalogue that sorts the test's types into kinds.

#include <map>
#include <string>

#include "RAWSearch/Controller/CLABELRAWTreeBuilder.h"
#include "RAWSearch/Controller/CRAWFileManager.h"
#include "RAWSearch/Controller/CRAWFileNode.h"
#include "RAWSearch/Framework/RawFollowedStreams.h"
#include "RawSearchTestSupport.h"
#include "RecoveryFilter/FileTypeManager.h"

namespace quellsy::test {

class RawResultTest : public RawSearchTest {
 protected:
  void SetUp() override {
    RawSearchTest::SetUp();
    ResetCounters();
    std::map<int, std::string> catalogue{{FILTER_TYPE_DOCUMENT, "DOC;DOCX;XLS;XLSX;PPT;PPTX;PDF"},
                                         {FILTER_TYPE_PICTURE, "JPG;PNG;icns"},
                                         {FILTER_TYPE_MUSIC, "MP3"},
                                         {FILTER_TYPE_ARCHIVES, "ZIP"}};
    CFileTypeManager::Initialze(catalogue);
  }
  void TearDown() override {
    ResetCounters();
    CFileTypeManager::ResetExtensionLists();
    RawSearchTest::TearDown();
  }

 private:
  static void ResetCounters() {
    ResetRawFileCounters();
    CRAWFileManager::g_nID = CRAWFileManager::kFirstFolderNodeID;
    CLABELRAWTreeBuilder::ResetRawCount();
    ResetFollowedStreams();
  }
};

}  // namespace quellsy::test
