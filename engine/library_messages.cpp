#include "engine/library_messages.h"

#include <FreeImage.h>

#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <mutex>

namespace lumicomb {
namespace {

thread_local std::string t_messages;

void collectMessage(FREE_IMAGE_FORMAT, const char *message) {
  if (!t_messages.empty())
    t_messages += "; ";
  t_messages += message ? message : "";
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
