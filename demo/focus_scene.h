#pragma once
// Focus stacks with a known answer: a sharp picture and how far each of its pixels lies from the
// camera, rendered as a lens focused at one depth after another would show it. Each depth layer
// is blurred by a disc that grows with its distance from the focus, and the layers are laid
// over each other from the back, so that a near object's blur spreads over the background as it
// does in a real stack. The tests, the bench and the demo render their stacks with it.
#include <cstdint>
#include <vector>

namespace lumicomb {

struct DepthScene {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<float> rgb;   ///< red, green and blue 0-255 per pixel, rows packed, top row first
  std::vector<float> depth; ///< from 0 (far) to 1 (near) per pixel, in the same order
};

/// A scene's depths: the sky far away, a ground receding from near at the bottom to the horizon,
/// a block at middle depth, and three near discs.
std::vector<float> sceneDepths(int64_t width, int64_t height);

struct FocusShot {
  double focus = 0; ///< the depth in focus
  /// The frame scaled about its centre, as focusing a lens changes its magnification.
  double magnification = 1;
  double noiseSigma = 0; ///< sensor noise in 8-bit levels
  uint64_t noiseSeed = 1;
};

/// Renders shots of one scene through one lens: the scene's layers are laid out once.
class FocusStackRenderer {
public:
  /// `blurRadius`: the blur disc's radius in pixels one whole depth away from focus.
  FocusStackRenderer(const DepthScene &scene, double blurRadius);
  /// The shot as 8-bit red, green and blue, rows packed, top row first.
  std::vector<uint8_t> render(const FocusShot &shot) const;

private:
  /// A layer's premultiplied red, green and blue and its coverage over the rows [top, bottom).
  struct Layer {
    double depth = 0;
    int64_t top = 0;
    int64_t bottom = 0;
    std::vector<float> planes[4];
  };
  int64_t m_width;
  int64_t m_height;
  double m_blurRadius;
  std::vector<Layer> m_layers;
};

/// An 8-bit sample of an sRGB picture as it would be with its linear light scaled by 2^ev,
/// clipped and rounded: a frame of an exposure bracket made from one photograph.
uint8_t exposedSample(uint8_t value, double ev);

/// Which pixels lie within `reach` pixels of a step in depth (a change of more than 0.05 between
/// neighbours), where a near object's blur falls over what lies behind it.
std::vector<bool> depthStepBand(const DepthScene &scene, int reach);

} // namespace lumicomb
