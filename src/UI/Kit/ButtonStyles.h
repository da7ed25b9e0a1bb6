#pragma once
// The looks of the windows' text buttons: the default one (accent face, white text) and the plain one (white face,
// grey edge).

namespace quellsy::ui {

inline constexpr const char* kDefaultButtonStyle =
    "QPushButton{background:#3582f8;color:white;border:none;border-radius:5px;padding:5px 16px;min-width:64px}"
    "QPushButton:pressed{background:#1f62cc}";
inline constexpr const char* kPlainButtonStyle =
    "QPushButton{background:white;color:#2b3440;border:1px solid #c4cad1;border-radius:5px;padding:4px 15px;"
    "min-width:64px}QPushButton:pressed{background:#e8f0fe}";

}  // namespace quellsy::ui
