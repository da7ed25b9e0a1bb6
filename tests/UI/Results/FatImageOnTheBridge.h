#pragma once
// The results window on the real bridge: the FAT image made at test time (ScanImages, with its manifest) listed
// as a disk's only volume through the bridge tests' fake enumerator, opened in a results window and scanned
// quickly. Base is the window fixture the test builds on (ResultsWindowFixture, RecoveryFixture).

#include <memory>
#include <vector>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "ScanImages.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Results/KDDeletailWindowController.h"

namespace quellsy::ui::test {

template <class Base>
class FatImageOnTheBridge : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    RegisterBuiltInEngines();
    KDUIScan::ResetForTests();
    KDUIRecovery::ResetForTests();
    bridge::ResultTrees::ResetForTests();
  }

  void TearDown() override {
    Base::TearDown();
    KDUIController::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    KDUIRecovery::ResetForTests();
    KDUIScan::ResetForTests();
    KDUIDeviceData::ResetForTests();
  }

  // The image's volume in a results window, its quick scan started; null when the image was not made or its
  // volume is not listed.
  KDDeletailWindowController* StartQuickScan() {
    const quellsy::test::ScanImages* images = quellsy::test::ScanImages::Get();
    if (!images->Fixture().Made()) return nullptr;
    disks_ = std::make_unique<quellsy::test::FakeEnumDeviceEx>(std::vector{images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
    KDUIDeviceData::ResetForTests(disks_.get());
    KDUIDeviceData::instance()->BeginInit();
    KDUIDeviceData::instance()->InitDeviceInfo();
    this->UseBackend(backend_);
    backend_.initFileType();
    backend_.SetRecoveryType(127);
    const auto items = backend_.GetDeviceInfoToArray();
    if (items.size() != 1 || !items[0]->childAtIndex(0)) return nullptr;
    KDDeletailWindowController* window = this->Open(items[0]->childAtIndex(0), 1);
    window->getData();
    return window;
  }

  BridgeBackend backend_;
  std::unique_ptr<quellsy::test::FakeEnumDeviceEx> disks_;
};

}  // namespace quellsy::ui::test
