#include "ui/window_places.h"

#include "base/errors.h"

#include <QDataStream>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <optional>

namespace lumicomb::ui {
namespace {

/// What the toolkit's encoding of a window's geometry begins with.
constexpr quint32 kGeometryMagic = 0x1D9D0CB;

/// The window's frame as the stored geometry says, read as the toolkit wrote it.
std::optional<QRect> storedFrame(const QByteArray &geometry) {
  QDataStream stream(geometry);
  stream.setVersion(QDataStream::Qt_4_0);
  quint32 magic = 0;
  quint16 major = 0, minor = 0;
  QRect frame;
  stream >> magic >> major >> minor >> frame;
  if (stream.status() != QDataStream::Ok || magic != kGeometryMagic || !frame.isValid())
    return std::nullopt;
  return frame;
}

/// A place counts as on a screen when the middle of the window is on one: the toolkit would
/// pull a window from a screen that is gone back to an edge of another, mostly hidden.
bool onSomeScreen(const QRect &frame) {
  for (const QScreen *screen : QGuiApplication::screens())
    if (screen->availableGeometry().contains(frame.center()))
      return true;
  return false;
}

} // namespace

bool WindowPlaces::restore(QWidget *window, const char *key) const {
  const std::optional<std::string> stored = m_store.value(key);
  if (!stored)
    return false;
  const QByteArray::FromBase64Result geometry = QByteArray::fromBase64Encoding(
      QByteArray::fromStdString(*stored), QByteArray::AbortOnBase64DecodingErrors);
  if (!geometry)
    return false;
  const std::optional<QRect> frame = storedFrame(*geometry);
  return frame && onSomeScreen(*frame) && window->restoreGeometry(*geometry);
}

void WindowPlaces::save(const QWidget *window, const char *key) {
  try {
    m_store.setValue(key, window->saveGeometry().toBase64().toStdString());
  } catch (const LumicombError &) {
    // The place is a convenience: a store that cannot take it costs the next run its place only.
  }
}

} // namespace lumicomb::ui
