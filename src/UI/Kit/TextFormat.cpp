#include "UI/Kit/TextFormat.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace quellsy::ui {
namespace {

struct Spec {
  int position = 0;  // 1-based; 0 takes the next argument
  std::string flags;
  int width = -1;
  int precision = -1;
  QChar conversion;
};

QString AsText(const TextArg& arg) {
  if (const auto* text = std::get_if<QString>(&arg)) return *text;
  if (const auto* value = std::get_if<long long>(&arg)) return QString::number(*value);
  if (const auto* value = std::get_if<unsigned long long>(&arg)) return QString::number(*value);
  return QString::number(std::get<double>(arg), 'g', 15);
}

long long AsSigned(const TextArg& arg) {
  if (const auto* text = std::get_if<QString>(&arg)) return text->trimmed().toLongLong();
  if (const auto* value = std::get_if<long long>(&arg)) return *value;
  if (const auto* value = std::get_if<unsigned long long>(&arg)) return static_cast<long long>(*value);
  return static_cast<long long>(std::get<double>(arg));
}

double AsDouble(const TextArg& arg) {
  if (const auto* text = std::get_if<QString>(&arg)) return text->trimmed().toDouble();
  if (const auto* value = std::get_if<long long>(&arg)) return static_cast<double>(*value);
  if (const auto* value = std::get_if<unsigned long long>(&arg)) return static_cast<double>(*value);
  return std::get<double>(arg);
}

// A number through printf with the placeholder's flags, width and precision (bounded: at most 64 characters of
// padding or digits are asked for).
template <typename Value>
QString PrintNumber(const Spec& spec, const char* length, char conversion, Value value) {
  std::string pattern = "%" + spec.flags;
  if (spec.width >= 0) pattern += std::to_string(std::min(spec.width, 64));
  if (spec.precision >= 0) pattern += "." + std::to_string(std::min(spec.precision, 64));
  pattern += length;
  pattern += conversion;
  char text[256];
  // The pattern is made here from one checked conversion and bounded numbers, never taken from the text.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::snprintf(text, sizeof text, pattern.c_str(), value);
#pragma GCC diagnostic pop
  return QString::fromUtf8(text);
}

QString Pad(const Spec& spec, QString text) {
  if (spec.precision >= 0 && text.size() > spec.precision) text.truncate(spec.precision);
  const int width = std::min(spec.width, 4096);
  if (width > text.size()) {
    const QString padding(width - text.size(), QLatin1Char(' '));
    text = spec.flags.find('-') != std::string::npos ? text + padding : padding + text;
  }
  return text;
}

QString Convert(const Spec& spec, const TextArg& arg) {
  switch (spec.conversion.unicode()) {
    case '@':
    case 's':
      return Pad(spec, AsText(arg));
    case 'd':
    case 'i':
      return PrintNumber(spec, "ll", 'd', AsSigned(arg));
    case 'u':
      return PrintNumber(spec, "ll", 'u', static_cast<unsigned long long>(AsSigned(arg)));
    case 'x':
    case 'X':
    case 'o':
      return PrintNumber(spec, "ll", static_cast<char>(spec.conversion.unicode()),
                         static_cast<unsigned long long>(AsSigned(arg)));
    case 'c':
      return Pad(spec, QString(QChar(static_cast<char16_t>(AsSigned(arg)))));
    default:  // f F e E g G
      return PrintNumber(spec, "", static_cast<char>(spec.conversion.unicode()), AsDouble(arg));
  }
}

bool IsConversion(QChar c) { return QStringLiteral("@sdiuxXocfFeEgG").contains(c); }
bool IsLength(QChar c) { return QStringLiteral("hlqLzjt").contains(c); }

int ReadNumber(const QString& text, qsizetype& at) {
  long value = 0;
  bool any = false;
  while (at < text.size() && text[at].isDigit()) {
    value = std::min<long>(value * 10 + text[at].digitValue(), 1 << 20);
    ++at;
    any = true;
  }
  return any ? static_cast<int>(value) : -1;
}

}  // namespace

QString FormatText(const QString& format, const std::vector<TextArg>& args) {
  QString out;
  std::size_t next = 0;
  qsizetype i = 0;
  while (i < format.size()) {
    if (format[i] != QLatin1Char('%')) {
      out += format[i++];
      continue;
    }
    const qsizetype start = i++;
    if (i < format.size() && format[i] == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
      continue;
    }
    Spec spec;
    // "%n$": a position; otherwise the digits were the width.
    qsizetype at = i;
    const int number = ReadNumber(format, at);
    if (number > 0 && at < format.size() && format[at] == QLatin1Char('$')) {
      spec.position = number;
      i = at + 1;
    }
    while (i < format.size() && QStringLiteral("-+ #0").contains(format[i])) spec.flags += format[i++].toLatin1();
    spec.width = ReadNumber(format, i);
    if (i < format.size() && format[i] == QLatin1Char('.')) {
      ++i;
      spec.precision = std::max(ReadNumber(format, i), 0);
    }
    while (i < format.size() && IsLength(format[i])) ++i;
    if (i >= format.size() || !IsConversion(format[i])) {
      out += format.mid(start, i - start);  // not a placeholder: kept as written
      continue;
    }
    spec.conversion = format[i++];
    const std::size_t index = spec.position > 0 ? static_cast<std::size_t>(spec.position - 1) : next++;
    if (index < args.size()) out += Convert(spec, args[index]);
  }
  return out;
}

}  // namespace quellsy::ui
