#include "res/artwork/palette.h"

#include <algorithm>
#include <map>
#include <utility>

namespace art {

namespace {

constexpr std::size_t kColours = 256;

int Channel(std::uint32_t rgb, int axis) {
  return static_cast<int>((rgb >> (16 - 8 * axis)) & 0xFF);
}

struct Box {
  std::vector<std::pair<std::uint32_t, std::size_t>> colours;  // colour, pixel count

  std::size_t Pixels() const {
    std::size_t total = 0;
    for (const auto& entry : colours) total += entry.second;
    return total;
  }
  // The channel with the widest spread, and that spread.
  std::pair<int, int> Widest() const {
    int bestAxis = 0, bestRange = -1;
    for (int axis = 0; axis < 3; ++axis) {
      int low = 255, high = 0;
      for (const auto& entry : colours) {
        low = std::min(low, Channel(entry.first, axis));
        high = std::max(high, Channel(entry.first, axis));
      }
      if (high - low > bestRange) {
        bestRange = high - low;
        bestAxis = axis;
      }
    }
    return {bestAxis, bestRange};
  }
  std::uint32_t Mean() const {
    double sum[3] = {};
    const double pixels = static_cast<double>(Pixels());
    for (const auto& entry : colours) {
      for (int axis = 0; axis < 3; ++axis) {
        sum[axis] += Channel(entry.first, axis) * static_cast<double>(entry.second);
      }
    }
    std::uint32_t rgb = 0;
    for (int axis = 0; axis < 3; ++axis) {
      rgb = rgb << 8 | static_cast<std::uint32_t>(sum[axis] / pixels + 0.5);
    }
    return rgb;
  }
};

std::vector<std::uint32_t> MedianCut(const std::map<std::uint32_t, std::size_t>& histogram) {
  std::vector<Box> boxes(1);
  boxes[0].colours.assign(histogram.begin(), histogram.end());
  while (boxes.size() < kColours) {
    // Split the box where a palette entry is most needed: many pixels over
    // a wide spread of colour.
    std::size_t pick = boxes.size();
    double bestScore = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].colours.size() < 2) continue;
      const double score =
          static_cast<double>(boxes[i].Widest().second) * static_cast<double>(boxes[i].Pixels());
      if (score > bestScore) {
        bestScore = score;
        pick = i;
      }
    }
    if (pick == boxes.size()) break;
    Box& box = boxes[pick];
    const int axis = box.Widest().first;
    std::sort(box.colours.begin(), box.colours.end(), [axis](const auto& a, const auto& b) {
      const int ca = Channel(a.first, axis), cb = Channel(b.first, axis);
      return ca != cb ? ca < cb : a.first < b.first;
    });
    const std::size_t half = box.Pixels() / 2;
    std::size_t seen = 0, cut = 1;
    for (std::size_t i = 0; i + 1 < box.colours.size(); ++i) {
      seen += box.colours[i].second;
      cut = i + 1;
      if (seen >= half) break;
    }
    Box upper;
    upper.colours.assign(box.colours.begin() + static_cast<std::ptrdiff_t>(cut), box.colours.end());
    box.colours.resize(cut);
    boxes.push_back(std::move(upper));
  }
  std::vector<std::uint32_t> palette;
  for (const Box& box : boxes) palette.push_back(box.Mean());
  return palette;
}

std::uint8_t Nearest(const std::vector<std::uint32_t>& palette, std::uint32_t rgb) {
  std::size_t best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    long distance = 0;
    static constexpr long kWeights[3] = {3, 4, 2};  // the eye is keenest on green
    for (int axis = 0; axis < 3; ++axis) {
      const long d = Channel(palette[i], axis) - Channel(rgb, axis);
      distance += kWeights[axis] * d * d;
    }
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

}  // namespace

IndexedImage Quantize(const Canvas& canvas) {
  std::map<std::uint32_t, std::size_t> histogram;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) ++histogram[canvas.Argb(x, y) & 0xFFFFFF];
  }
  IndexedImage image;
  if (histogram.size() <= kColours) {
    for (const auto& entry : histogram) image.palette.push_back(entry.first);
  } else {
    image.palette = MedianCut(histogram);
  }
  std::map<std::uint32_t, std::uint8_t> mapped;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      const std::uint32_t rgb = canvas.Argb(x, y) & 0xFFFFFF;
      auto it = mapped.find(rgb);
      if (it == mapped.end()) it = mapped.emplace(rgb, Nearest(image.palette, rgb)).first;
      image.indices.push_back(it->second);
    }
  }
  image.palette.resize(kColours, 0);
  return image;
}

Canvas Expand(const IndexedImage& image, int width, int height) {
  Canvas canvas(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb =
          image.palette[image.indices[static_cast<std::size_t>(y * width + x)]];
      canvas.Blend(x, y, Hex(rgb));
    }
  }
  return canvas;
}

}  // namespace art
