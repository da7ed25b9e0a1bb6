#include "UI/Results/CheckMarks.h"

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

int NextCheckState(int state) { return state == 2 ? 0 : 2; }

bool ChecksLocked() { return Backend().IsScanRunning() && !Backend().IsPause(); }

Qt::CheckState ToQtCheckState(int state) {
  return state == 0 ? Qt::Unchecked : state == 2 ? Qt::Checked : Qt::PartiallyChecked;
}

QString CheckImageName(int state) {
  if (state == 0) return QStringLiteral("pf_checkbox_no");
  return state == 2 ? QStringLiteral("pf_checkbox_yes") : QStringLiteral("pf_checkbox_half");
}

}  // namespace quellsy::ui
