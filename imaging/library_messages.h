#pragma once
// FreeImage reports problems through one global callback. Its text is collected per thread, so
// that parallel decodes each see only their own library's words, and it is never printed raw.
#include <string>

namespace lumicomb {

/// Collects what the library says on this thread from construction until destruction.
class LibraryMessages {
public:
  LibraryMessages();
  ~LibraryMessages();
  LibraryMessages(const LibraryMessages &) = delete;
  LibraryMessages &operator=(const LibraryMessages &) = delete;

  /// Everything said so far, messages joined by "; ", or an empty string.
  std::string text() const;
  bool contains(const std::string &fragment) const;

private:
  std::string m_outer;
};

/// Installs the callback; called by every entry point that touches the library.
void installLibraryMessageHandler();

} // namespace lumicomb
