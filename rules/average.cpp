#include "rules/average.h"

#include "base/large_buffer.h"
#include "base/numbers.h"

#include <optional>

namespace lumicomb {
namespace {

/// Per-channel totals of all sources, kept in the narrowest counter that cannot overflow: fewer
/// bytes to add into and to fault in for the common stacks of up to 257 images.
template <typename Total> class TotalsPlane {
public:
  void begin(int64_t rowLength, int64_t height) {
    m_rowLength = rowLength;
    m_totals = LargePlane<Total>(static_cast<size_t>(rowLength * height));
  }

  void add(int64_t y, const uint8_t *__restrict samples) {
    Total *__restrict totals = m_totals.data() + y * m_rowLength;
    for (int64_t k = 0; k < m_rowLength; ++k)
      totals[k] = static_cast<Total>(totals[k] + samples[k]);
  }

  void divide(int64_t y, const uint8_t *__restrict quotients, uint8_t *__restrict out) const {
    const Total *__restrict totals = m_totals.data() + y * m_rowLength;
    for (int64_t k = 0; k < m_rowLength; ++k)
      out[k] = quotients[totals[k]];
  }

private:
  int64_t m_rowLength = 0;
  LargePlane<Total> m_totals;
};

class TotalsRule : public SweepRule {
public:
  explicit TotalsRule(std::optional<int> divisor) : m_divisor(divisor) {}

  void begin(int sources, int64_t width, int64_t height) override {
    const int64_t largestTotal = 255 * int64_t{sources};
    m_narrow = largestTotal <= UINT16_MAX;
    if (m_narrow)
      m_narrowTotals.begin(3 * width, height);
    else
      m_wideTotals.begin(3 * width, height);
    m_quotients = quotientTable(largestTotal, m_divisor.value_or(sources));
  }

  uint64_t workingBytes(int sources, int64_t width, int64_t height) const override {
    const uint64_t totalBytes = 255 * int64_t{sources} <= UINT16_MAX ? 2 : 4;
    return totalBytes * 3 * static_cast<uint64_t>(width * height);
  }

  void collect(int, int64_t y, const uint8_t *samples) override {
    if (m_narrow)
      m_narrowTotals.add(y, samples);
    else
      m_wideTotals.add(y, samples);
  }

  void reduce(int64_t y, uint8_t *out) const override {
    if (m_narrow)
      m_narrowTotals.divide(y, m_quotients.data(), out);
    else
      m_wideTotals.divide(y, m_quotients.data(), out);
  }

private:
  std::optional<int> m_divisor;
  bool m_narrow = true;
  TotalsPlane<uint16_t> m_narrowTotals;
  TotalsPlane<uint32_t> m_wideTotals;
  std::vector<uint8_t> m_quotients;
};

} // namespace

std::unique_ptr<SweepRule> averageRule() { return std::make_unique<TotalsRule>(std::nullopt); }

std::unique_ptr<SweepRule> sumAndDivideRule(int divisor) {
  return std::make_unique<TotalsRule>(divisor);
}

} // namespace lumicomb
