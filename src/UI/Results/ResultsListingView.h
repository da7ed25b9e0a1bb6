#pragma once
// What the grid and the cover flow of the results window share: they tell the browser which file the user
// selected in them and when the space bar asks for its preview. GUI thread only.

#include <QObject>
#include <vector>

namespace quellsy::ui {

class ResultsListingView : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 signals:
  // The user selected the file of row in this view.
  void rowSelected(int row);
  // The space bar (or, in the grid, a double click) asks for the selected file's preview.
  void previewRequested();

 protected:
  // The space bar over widget asks for the preview.
  void previewOnSpaceBar(QWidget* widget);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Compared, never called: the filter also hears a widget while it is destroyed.
  std::vector<const QObject*> watched_;
};

}  // namespace quellsy::ui
