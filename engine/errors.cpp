#include "engine/errors.h"

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
