#pragma once
// The one failure type of the system: a message fit for the user, and what kind of fault it was.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace lumicomb {

enum class ErrorKind {
  OutOfRange,
  TypeMismatch,
  BadFile,
  SizeMismatch,
  NoSources,
  NotAvailable,
  WriteFailed,
  Cancelled,
};

class LumicombError : public std::runtime_error {
public:
  LumicombError(ErrorKind kind, const std::string &message);
  ErrorKind kind() const { return m_kind; }

private:
  ErrorKind m_kind;
};

/// Puts a path in quotes the way every message names a file; control characters are shown as
/// \xNN, so that a name can never break a message over lines.
std::string quoted(const std::string &text);

/// "1.5 GiB", "300.2 MiB", "12 KiB": a size for messages.
std::string byteSizeText(uint64_t bytes);

/// The text with its line breaks turned into "; ": every message the user sees is one line.
std::string oneLine(const std::string &text);

} // namespace lumicomb
