#include "cli/terminal_progress.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace lumicomb::cli {
namespace {
constexpr int kBarWidth = 40;
}

TerminalProgress::TerminalProgress(bool enabled) : m_enabled(enabled) {}

TerminalProgress::~TerminalProgress() { clearLine(); }

void TerminalProgress::setVisible(bool visible) {
  if (!visible)
    clearLine();
  m_visible = visible;
}

void TerminalProgress::setMaximum(double maximum) {
  m_maximum = maximum;
  m_shownPercent = -1;
}

void TerminalProgress::setValue(int64_t value) {
  if (!m_enabled || !m_visible || m_maximum <= 0)
    return;
  // The value may run past the maximum; the bar stops at full.
  const int percent = static_cast<int>(std::clamp(100.0 * value / m_maximum, 0.0, 100.0));
  if (percent == m_shownPercent)
    return;
  m_shownPercent = percent;
  const int filled = percent * kBarWidth / 100;
  const std::string bar = std::string(filled, '#') + std::string(kBarWidth - filled, '.');
  std::fprintf(stderr, "\rlumicomb-cli [%s] %3d%%", bar.c_str(), percent);
  std::fflush(stderr);
}

void TerminalProgress::clearLine() {
  if (m_enabled && m_shownPercent >= 0) {
    std::fprintf(stderr, "\r%*s\r", kBarWidth + 20, "");
    std::fflush(stderr);
  }
  m_shownPercent = -1;
}

} // namespace lumicomb::cli
