#pragma once
// The windows' sizes and places, kept between runs in the settings store beside the settings,
// each under a key of its own as the toolkit encodes a window's geometry, in base64.
#include "settings/settings.h"

class QWidget;

namespace lumicomb::ui {

inline constexpr char kMainWindowPlaceKey[] = "MainWindowGeometry";
inline constexpr char kViewerPlaceKey[] = "ViewerGeometry";

class WindowPlaces {
public:
  explicit WindowPlaces(SettingsStore &store) : m_store(store) {}

  /// Gives the window its stored size and place. Nothing stored, a stored value that is not a
  /// window's geometry, and a place off every screen leave the window as it was; returns whether
  /// the stored one was taken.
  bool restore(QWidget *window, const char *key) const;
  /// Stores the window's size and place; a store that cannot be written is left as it was.
  void save(const QWidget *window, const char *key);

private:
  SettingsStore &m_store;
};

} // namespace lumicomb::ui
