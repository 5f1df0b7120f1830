#include "imaging/library_messages.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <string_view>

namespace lumicomb {
namespace {

thread_local std::string t_messages;

/// Every line of what the library says, trimmed, joins the text with "; ": some decoders say
/// several lines at once, and a message the user sees is always one line.
void collectMessage(FREE_IMAGE_FORMAT, const char *message) {
  std::string_view rest = message ? message : "";
  while (!rest.empty()) {
    const size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos)
      continue;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    if (!t_messages.empty())
      t_messages += "; ";
    t_messages += line;
  }
}

using TiffHandler = void (*)(const char *module, const char *format, va_list arguments);
using TiffHandlerSetter = TiffHandler (*)(TiffHandler);

void collectTiffMessage(const char *module, const char *format, va_list arguments) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  collectMessage(FIF_TIFF, (std::string(module ? module : "TIFF") + ": " + text).c_str());
}

/// The TIFF codec inside the library prints straight to the terminal unless it is given
/// handlers of its own; it is looked up in the process rather than linked, being the library's
/// private part.
void routeTiffMessages() {
  for (const char *setterName : {"TIFFSetErrorHandler", "TIFFSetWarningHandler"})
    if (void *setter = ::dlsym(RTLD_DEFAULT, setterName))
      reinterpret_cast<TiffHandlerSetter>(setter)(collectTiffMessage);
}

} // namespace

void installLibraryMessageHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    FreeImage_SetOutputMessage(collectMessage);
    routeTiffMessages();
  });
}

LibraryMessages::LibraryMessages() : m_outer(std::move(t_messages)) {
  installLibraryMessageHandler();
  t_messages.clear();
}

LibraryMessages::~LibraryMessages() { t_messages = std::move(m_outer); }

std::string LibraryMessages::text() const { return t_messages; }

bool LibraryMessages::contains(const std::string &fragment) const {
  return t_messages.find(fragment) != std::string::npos;
}

} // namespace lumicomb
