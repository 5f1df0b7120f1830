#include "base/errors.h"

#include <cmath>
#include <cstdio>

namespace lumicomb {

LumicombError::LumicombError(ErrorKind kind, const std::string &message)
    : std::runtime_error(message), m_kind(kind) {}

std::string quoted(const std::string &text) {
  std::string result = "'";
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code != 0x7f) {
      result += c;
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", code);
    result += escaped;
  }
  return result + "'";
}

std::string byteSizeText(uint64_t bytes) {
  const double value = static_cast<double>(bytes);
  char text[48];
  if (bytes >= uint64_t{1} << 30)
    std::snprintf(text, sizeof text, "%.1f GiB", value / (1 << 30));
  else if (bytes >= uint64_t{1} << 20)
    std::snprintf(text, sizeof text, "%.1f MiB", value / (1 << 20));
  else
    std::snprintf(text, sizeof text, "%.0f KiB", std::ceil(value / (1 << 10)));
  return text;
}

std::string oneLine(const std::string &text) {
  std::string result;
  bool lineBreak = false;
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      lineBreak = true;
      continue;
    }
    if (lineBreak && !result.empty())
      result += "; ";
    lineBreak = false;
    result += c;
  }
  return result;
}

} // namespace lumicomb
