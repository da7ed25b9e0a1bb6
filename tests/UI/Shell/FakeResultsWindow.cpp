#include "FakeResultsWindow.h"

namespace quellsy::test {
namespace {

class FakeResultsWindow final : public ui::IResultsWindow {
 public:
  FakeResultsWindow(HandOver& record, const std::function<void(HandOver&)>& onGetData)
      : record_(record), onGetData_(onGetData), window_(new QWidget) {
    window_->setObjectName(QStringLiteral("fakeResultsWindow"));
    window_->setWindowFlag(Qt::FramelessWindowHint);
    window_->resize(FakeResultsWindows::kSize);
    window_->setAttribute(Qt::WA_DeleteOnClose);
    record_.window = window_;
    QObject::connect(window_, &QObject::destroyed, [this] { delete this; });
  }

  void setSelectDiskVolumeData(std::shared_ptr<DiskVolumeNodeData> data) override { record_.data = std::move(data); }
  void setScanTypeNum(int type) override { record_.type = type; }
  void setSelectDesktop(int desktop) override { record_.desktop = desktop; }
  void getData() override {
    record_.gotData = true;
    if (onGetData_) onGetData_(record_);
  }
  void getImportData(const std::string& path) override { record_.importPath = path; }
  void clearImportData() override { record_.importCleared = true; }
  QWidget* window() override { return window_; }

 private:
  HandOver& record_;
  std::function<void(HandOver&)> onGetData_;
  QWidget* window_;
};

}  // namespace

FakeResultsWindows::FakeResultsWindows() {
  ui::SetResultsWindowFactory([this]() -> ui::IResultsWindow* {
    handed_.push_back(std::make_unique<HandOver>());
    return new FakeResultsWindow(*handed_.back(), onGetData_);
  });
}

FakeResultsWindows::~FakeResultsWindows() {
  ui::SetResultsWindowFactory({});
  CloseAll();
}

void FakeResultsWindows::CloseAll() {
  for (const auto& handed : handed_)
    if (handed->window) delete handed->window.data();
}

}  // namespace quellsy::test
