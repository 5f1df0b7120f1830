#include "cli/terminal_progress.h"

#include <cmath>
#include <cstdio>

namespace lumicomb::cli {
namespace {

constexpr int kBarWidth = 24;
/// How often the time left is redrawn while the bar itself stands still.
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);

} // namespace

TerminalProgress::TerminalProgress(bool enabled) : m_enabled(enabled) {}

TerminalProgress::~TerminalProgress() { clearLine(); }

void TerminalProgress::setVisible(bool visible) {
  if (!visible)
    clearLine();
  m_visible = visible;
}

void TerminalProgress::setPhase(const RunPhase &phase) {
  if (!m_enabled)
    return;
  m_text.startPhase(phase, ProgressText::Clock::now());
  m_shownPercent = -1;
  draw();
}

void TerminalProgress::setMaximum(double maximum) {
  m_text.setMaximum(maximum);
  m_shownPercent = -1;
}

void TerminalProgress::setValue(int64_t value) {
  if (!m_enabled)
    return;
  m_text.setValue(value);
  draw();
}

void TerminalProgress::draw() {
  if (!m_enabled || !m_visible)
    return;
  // The value may run past the maximum; the bar stops at full.
  const int percent = static_cast<int>(100 * m_text.fraction());
  const ProgressText::Clock::time_point now = ProgressText::Clock::now();
  if (percent == m_shownPercent && now - m_drawnAt < kRedrawEvery)
    return;
  m_shownPercent = percent;
  m_drawnAt = now;
  std::string line = "lumicomb-cli ";
  if (m_text.phase().frames > 0) {
    const int filled = percent * kBarWidth / 100;
    line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
    char share[8];
    std::snprintf(share, sizeof share, "%3d%%  ", percent);
    line += share;
  }
  line += m_text.text(now);
  if (line == m_shownLine)
    return;
  // A shorter line covers what is left of the longer one before it.
  const size_t cover = m_shownLine.size() > line.size() ? m_shownLine.size() - line.size() : 0;
  std::fprintf(stderr, "\r%s%*s", line.c_str(), static_cast<int>(cover), "");
  if (cover > 0)
    std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  m_shownLine = std::move(line);
}

void TerminalProgress::clearLine() {
  if (m_enabled && !m_shownLine.empty()) {
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_shownLine.size()), "");
    std::fflush(stderr);
  }
  m_shownLine.clear();
  m_shownPercent = -1;
}

} // namespace lumicomb::cli
