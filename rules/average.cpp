#include "rules/average.h"

#include "base/large_buffer.h"
#include "base/numbers.h"
#include "rules/half_even_division.h"
#include "rules/vector_clones.h"

#include <algorithm>
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

  template <typename Sample> void add(int64_t y, const Sample *__restrict samples) {
    Total *__restrict totals = m_totals.data() + y * m_rowLength;
    for (int64_t k = 0; k < m_rowLength; ++k)
      totals[k] = static_cast<Total>(totals[k] + samples[k]);
  }

  void divide(int64_t y, const uint8_t *__restrict quotients, uint8_t *__restrict out) const {
    const Total *__restrict totals = m_totals.data() + y * m_rowLength;
    for (int64_t k = 0; k < m_rowLength; ++k)
      out[k] = quotients[totals[k]];
  }

  const Total *row(int64_t y) const { return m_totals.data() + y * m_rowLength; }

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

/// Each total divided, at most 65535. Built twice (once in sanitizer builds), and the wider vector
/// unit is used where the processor has it; both give the same samples.
LUMICOMB_VECTOR_CLONES void divideTotals(const uint32_t *__restrict totals, int64_t length,
                                         HalfEvenDivision divide, uint16_t *__restrict out) {
  for (int64_t k = 0; k < length; ++k)
    out[k] = static_cast<uint16_t>(std::min<uint32_t>(divide(totals[k]), UINT16_MAX));
}

/// The same at 16 bits: totals of up to 32767 sources of 16-bit samples fit 32 bits, and too many
/// of them to divide by a table.
class WideTotalsRule : public SweepRule {
public:
  explicit WideTotalsRule(std::optional<int> divisor) : m_divisor(divisor) {}

  void begin(int sources, int64_t width, int64_t height) override {
    m_rowLength = 3 * width;
    m_totals.begin(m_rowLength, height);
    m_divide = HalfEvenDivision(static_cast<uint32_t>(m_divisor.value_or(sources)));
  }

  uint64_t workingBytes(int, int64_t width, int64_t height) const override {
    return sizeof(uint32_t) * 3 * static_cast<uint64_t>(width * height);
  }

  void collect(int, int64_t y, const uint8_t *samples) override {
    m_totals.add(y, reinterpret_cast<const uint16_t *>(samples));
  }

  void reduce(int64_t y, uint8_t *out) const override {
    divideTotals(m_totals.row(y), m_rowLength, m_divide, reinterpret_cast<uint16_t *>(out));
  }

private:
  std::optional<int> m_divisor;
  int64_t m_rowLength = 0;
  TotalsPlane<uint32_t> m_totals;
  HalfEvenDivision m_divide{1};
};

std::unique_ptr<SweepRule> totalsRule(std::optional<int> divisor, SampleDepth depth) {
  if (depth == SampleDepth::Sixteen)
    return std::make_unique<WideTotalsRule>(divisor);
  return std::make_unique<TotalsRule>(divisor);
}

} // namespace

std::unique_ptr<SweepRule> averageRule(SampleDepth depth) {
  return totalsRule(std::nullopt, depth);
}

std::unique_ptr<SweepRule> sumAndDivideRule(int divisor, SampleDepth depth) {
  return totalsRule(divisor, depth);
}

} // namespace lumicomb
