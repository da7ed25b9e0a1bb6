#pragma once
// The three-state check marks of the results window's trees, table and select-all buttons: 0 unchecked,
// 1 partly checked, 2 checked. A click turns 0 or 1 into 2 and 2 into 0; while a scan runs and is not paused
// every click on a mark is ignored.

#include <QString>
#include <Qt>

namespace quellsy::ui {

int NextCheckState(int state);
// Whether clicks on marks are ignored now (a scan runs and is not paused).
bool ChecksLocked();
Qt::CheckState ToQtCheckState(int state);
// "pf_checkbox_no", "pf_checkbox_half" or "pf_checkbox_yes".
QString CheckImageName(int state);

}  // namespace quellsy::ui
