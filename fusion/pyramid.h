#pragma once
// Gaussian and Laplacian pyramids of one channel in floating point: the frame split into bands of
// detail, each half the size of the one before, which the whole-frame rules choose among or
// weigh and then put back together.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumicomb {

/// Where each level of a pyramid lies in one buffer: level 0 is the picture, each further one
/// half the size of the one before, rounded up, until the short side is 8 or less.
class PyramidShape {
public:
  PyramidShape() = default;
  PyramidShape(int64_t width, int64_t height);

  int levels() const { return static_cast<int>(m_levels.size()); }
  int64_t width(int level) const { return m_levels[static_cast<size_t>(level)].width; }
  int64_t height(int level) const { return m_levels[static_cast<size_t>(level)].height; }
  size_t offset(int level) const { return m_levels[static_cast<size_t>(level)].offset; }
  size_t size(int level) const { return static_cast<size_t>(width(level) * height(level)); }
  /// Samples of every level together.
  size_t samples() const { return m_samples; }
  /// Samples of every level but the coarsest.
  size_t detailSamples() const { return m_samples - size(levels() - 1); }
  /// The first row of `level` in part `part` of `parts` equal parts of the picture (part ==
  /// parts gives the level's height), so that the parts of every level cover the same area.
  int64_t partRow(int level, int part, int parts) const { return height(level) * part / parts; }

private:
  struct Level {
    int64_t width;
    int64_t height;
    size_t offset;
  };
  std::vector<Level> m_levels;
  size_t m_samples = 0;
};

/// One channel at every level of a pyramid, in one buffer. It starts unset: whoever makes one
/// fills its levels, and a buffer as large as a frame is not written twice.
class Pyramid {
public:
  Pyramid() = default;
  explicit Pyramid(const PyramidShape &shape)
      : m_shape(shape), m_samples(new float[shape.samples()]) {}

  const PyramidShape &shape() const { return m_shape; }
  float *level(int l) { return m_samples.get() + m_shape.offset(l); }
  const float *level(int l) const { return m_samples.get() + m_shape.offset(l); }
  float *data() { return m_samples.get(); }
  const float *data() const { return m_samples.get(); }

private:
  PyramidShape m_shape;
  std::unique_ptr<float[]> m_samples;
};

/// Fills every level after the first: each is the one before smoothed by the kernel
/// (1 4 6 4 1) / 16 both ways and taken at every other position, mirrored at the edges.
void makeGaussian(Pyramid &pyramid);
/// makeGaussian, then every level but the coarsest less the expansion of the next: the detail
/// that level adds. The coarsest level stays the smoothed picture.
void makeLaplacian(Pyramid &pyramid);
/// The inverse of makeLaplacian: from the coarsest level down, every level gets the expansion
/// of the one below it back, so that level 0 holds the picture.
void collapse(Pyramid &pyramid);

/// `fine` (w x h) plus `sign` times the expansion of `coarse` ((w + 1) / 2 x (h + 1) / 2): the
/// coarse level put back on the fine grid by the same kernel, four times its weight.
void addExpanded(const float *coarse, float *fine, int64_t width, int64_t height, float sign);
/// What addExpanded adds at (x, y) of the fine grid, to the bit: for a few positions of a level.
float expandedAt(const float *coarse, int64_t width, int64_t height, int64_t x, int64_t y);
/// `coarse` made from `fine` as makeGaussian makes the next level.
void reduceLevel(const float *fine, int64_t width, int64_t height, float *coarse);

} // namespace lumicomb
