#pragma once
// The device page, the second page of the main window: the USB disks and attached disk images that carry a
// volume, each with its volumes below it, the opened qim and DMG images, and a nameless Desktop entry at the top
// standing for the first listed volume. One row is chosen (the first volume by default); the page follows disks
// arriving and leaving, and starts the scan of the chosen entry through its delegate, the main window.
//
// Its own back and Scan buttons are made with it; the main window, which shows page buttons of its own, hides
// them. A page without any entry says what to do instead.

#include <QWidget>
#include <chrono>
#include <memory>
#include <string>

#include "UI/Backend/IFacadeBackend.h"

class QLabel;

namespace quellsy::ui {

class DeviceListModel;
class KDCustomOutlineView;
class KDHandButton;
class TCImageButton;

class KDSelectDiskViewControllerDelegate {
 public:
  // The chosen entry, or null when none is chosen (the main window's Scan is then disabled).
  virtual void changeSelectDiskViewContinueButtonEnabled(std::shared_ptr<DiskVolumeNodeData> item) = 0;
  // Scan the chosen entry; desktop is 1 when the Desktop entry was chosen.
  virtual void doubleClickedListToScan(int desktop) = 0;
  virtual void backHome() = 0;
  // The page's "Open a DMG disk image" link.
  virtual void openDiskImage() = 0;

 protected:
  ~KDSelectDiskViewControllerDelegate() = default;
};

class KDSelectDiskViewController : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 900;
  static constexpr int kHeight = 550;
  // The notification of the page's own refreshes.
  static constexpr const char* kRefreshFinished = "DeviceListRefreshed";
  static constexpr std::chrono::milliseconds kDefaultRefillDelay{100};

  explicit KDSelectDiskViewController(KDSelectDiskViewControllerDelegate* delegate, QWidget* parent = nullptr);
  ~KDSelectDiskViewController() override;

  // How long after a refresh the list is filled again (tests shorten it).
  static void SetRefillDelay(std::chrono::milliseconds delay);

  // Sent by the main window when it shows the page, in this order.
  void setAllDiskArr(DeviceItems disks) { allDiskArr_ = std::move(disks); }
  void setSelectDiskVolume(std::shared_ptr<DiskVolumeNodeData> item) { selectDiskVolume_ = std::move(item); }
  void InitFinished();

  // Lists the devices again in the background (opening the DMG image dmgPath first when one is given) and fills
  // the list anew with the default choice.
  void RefreshDevice(const std::string& dmgPath = std::string());
  void getDiskValue();
  void disableRefreshDevice();
  void removeNotification();

  void backHome();
  void scanButtonAction();
  // A double click on a row: Scan, unless nothing is chosen or a column header was clicked since the last choice.
  void doubleToScan();

  KDCustomOutlineView* outlineView() const { return outlineView_; }
  DeviceListModel* model() const { return model_; }
  TCImageButton* backButton() const { return backButton_; }
  TCImageButton* scanButton() const { return scanButton_; }
  QLabel* middleLabel() const { return middleLabel_; }
  QWidget* emptyNotice() const { return emptyNotice_; }
  KDHandButton* openImageButton() const { return openImageButton_; }
  const DeviceItems& allDiskArr() const { return allDiskArr_; }
  const std::shared_ptr<DiskVolumeNodeData>& selectDiskVolume() const { return selectDiskVolume_; }
  const std::shared_ptr<DiskVolumeNodeData>& desktopVolume() const { return desktopVolume_; }
  int selectedRow() const { return selectedRow_; }
  int isSelectDesktop() const { return isSelectDesktop_; }
  bool bClickHead() const { return bClickHead_; }

 private:
  void BuildList();
  void BuildButtons();
  void BuildEmptyNotice();
  void Observe();
  void ChooseRow(const QModelIndex& index);
  // Tells a chosen entry the name of the disk that holds it (its own name for a disk).
  void NameParent(DiskVolumeNodeData* item) const;
  void SelectionDidChange(bool cleared);
  void reloadCellBackgroundColor();
  void RefreshFinished(const std::string& dmgOpened);

  KDSelectDiskViewControllerDelegate* delegate_;
  DeviceListModel* model_ = nullptr;
  KDCustomOutlineView* outlineView_ = nullptr;
  QLabel* middleLabel_ = nullptr;
  QLabel* noteLabel_ = nullptr;
  QWidget* emptyNotice_ = nullptr;
  KDHandButton* openImageButton_ = nullptr;
  TCImageButton* backButton_ = nullptr;
  TCImageButton* scanButton_ = nullptr;

  DeviceItems allDiskArr_;
  std::shared_ptr<DiskVolumeNodeData> selectDiskVolume_;
  std::shared_ptr<DiskVolumeNodeData> oldSelectDiskVolume_;
  std::shared_ptr<DiskVolumeNodeData> desktopVolume_;
  int selectedRow_ = -1;
  int isSelectDesktop_ = 0;
  bool bClickHead_ = false;
  bool choosingDefault_ = false;
  bool refreshing_ = false;
  bool refreshAgain_ = false;
  std::string pendingDmgPath_;
};

}  // namespace quellsy::ui
