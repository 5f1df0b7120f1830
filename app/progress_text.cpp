#include "app/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumicomb {
namespace {

/// How long a phase runs before its pace is taken to tell its end: sooner, the first decodes
/// and the threads starting up make the estimate jump.
constexpr auto kSettlingTime = std::chrono::seconds(1);

} // namespace

void ProgressText::startPhase(const RunPhase &phase, Clock::time_point now) {
  m_phase = phase;
  m_start = now;
  m_maximum = 0;
  m_value = 0;
}

void ProgressText::setMaximum(double maximum) { m_maximum = maximum; }

void ProgressText::setValue(int64_t value) { m_value = value; }

double ProgressText::fraction() const {
  if (m_maximum <= 0)
    return 0;
  return std::clamp(static_cast<double>(m_value) / m_maximum, 0.0, 1.0);
}

std::string ProgressText::text(Clock::time_point now) const {
  std::string text = m_phase.name;
  if (m_phase.frames > 0)
    text += " " + std::to_string(framesDone(m_phase, m_value, m_maximum)) + "/" +
            std::to_string(m_phase.frames);
  const double done = fraction();
  const Clock::duration elapsed = now - m_start;
  if (elapsed >= kSettlingTime && done > 0 && done < 1) {
    // A phase still under way has a second left at least.
    const auto left = std::max(std::chrono::duration<double>(elapsed) * ((1 - done) / done),
                               std::chrono::duration<double>(1));
    text += "  " + clockText(std::chrono::duration_cast<Clock::duration>(left)) + " left";
  }
  return text;
}

std::string clockText(std::chrono::steady_clock::duration time) {
  const auto seconds = static_cast<long long>(
      std::round(std::max(0.0, std::chrono::duration<double>(time).count())));
  char text[32];
  if (seconds >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  return text;
}

} // namespace lumicomb
