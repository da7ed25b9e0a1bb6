#pragma once
// The one formatter of localised texts used as formats: the placeholders of printf and of the localisation
// tables - "%@" (an object's text), "%s", "%d", "%i", "%u", "%ld", "%lld", "%llu", "%f", "%.2f", "%x", "%c",
// "%%" - with flags, width and precision, and positions ("%1$@", "%2$d") that pick an argument by number so a
// translation may reorder them. An argument of another kind than its placeholder is converted (a number shown
// as text, a text read as a number); a placeholder without an argument gives nothing, and an unknown one is
// kept as written. Never reads past the arguments it was given.

#include <QString>
#include <initializer_list>
#include <variant>
#include <vector>

namespace quellsy::ui {

using TextArg = std::variant<QString, long long, unsigned long long, double>;

QString FormatText(const QString& format, const std::vector<TextArg>& args);

// Convenience for literal argument lists: FormatText(Text("RVT_FOUR_FILESFOUND"), {QString::number(n)}).
inline QString FormatText(const QString& format, std::initializer_list<TextArg> args) {
  return FormatText(format, std::vector<TextArg>(args));
}

}  // namespace quellsy::ui
