#include "bench/handwriting/handwriting_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace handwriting {

namespace {

using panel::PenPoint;
using panel::PenStroke;
using panel::Signature;

constexpr double kPi = std::numbers::pi;
// Integration step of the dynamics and the pad's sampling period (s).
constexpr double kStep = 0.001;
constexpr double kSamplePeriod = 0.010;

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }
  int Integer(int lo, int hi) { return lo + static_cast<int>(Next() % (hi - lo + 1)); }
  double Normal(double sd) {
    const double u = Uniform(1e-12, 1.0), v = Uniform(0.0, 1.0);
    return sd * std::sqrt(-2 * std::log(u)) * std::cos(2 * kPi * v);
  }

 private:
  std::uint64_t m_state;
};

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
  Random r(a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull));
  return r.Next();
}

struct Point {
  double x, y;
};

double LognormalCdf(const Lognormal& m, double t) {
  if (t <= m.t0) return 0;
  return 0.5 * std::erfc(-(std::log(t - m.t0) - m.mu) / (m.sigma * std::sqrt(2.0)));
}

double LognormalSpeed(const Lognormal& m, double t) {
  if (t <= m.t0) return 0;
  const double dt = t - m.t0;
  const double z = (std::log(dt) - m.mu) / m.sigma;
  return m.distance / (m.sigma * std::sqrt(2 * kPi) * dt) * std::exp(-0.5 * z * z);
}

double StrokeEnd(const StrokePlan& stroke) {
  double end = 0;
  for (const Lognormal& m : stroke.movements)
    end = std::max(end, m.t0 + std::exp(m.mu + 2.5 * m.sigma));
  return end;
}

// The pen path of a stroke, integrated every kStep (y up), from (0, 0).
std::vector<Point> Integrate(const StrokePlan& stroke) {
  const double end = StrokeEnd(stroke);
  std::vector<Point> path{{0, 0}};
  double x = 0, y = 0;
  for (double t = kStep; t <= end; t += kStep) {
    for (const Lognormal& m : stroke.movements) {
      const double speed = LognormalSpeed(m, t);
      if (speed <= 0) continue;
      const double angle = m.thetaStart + (m.thetaEnd - m.thetaStart) * LognormalCdf(m, t);
      x += speed * std::cos(angle) * kStep;
      y += speed * std::sin(angle) * kStep;
    }
    path.push_back({x, y});
  }
  return path;
}

struct TimedStroke {
  std::vector<Point> path;  // every kStep
  double start = 0;         // s since the first stroke began
};

// Pad sampling: a point about every 10 ms of each stroke, placed on the pad
// by scale, rotation and offset, rounded to whole pixels, y down.
Signature Render(const std::vector<TimedStroke>& strokes, double width, double rotation,
                 double noise, Random& random) {
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (const TimedStroke& s : strokes)
    for (const Point& p : s.path) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  const double naturalW = std::max(maxX - minX, 1.0), naturalH = std::max(maxY - minY, 1.0);
  double scale = width / naturalW;
  scale = std::min(scale, (kPadHeight - 12) / naturalH);
  scale = std::min(scale, (kPadWidth - 12) / naturalW);
  const double w = naturalW * scale, h = naturalH * scale;
  const double left = random.Uniform(6, std::max(6.0, kPadWidth - 6 - w));
  const double top = random.Uniform(6, std::max(6.0, kPadHeight - 6 - h));
  const double c = std::cos(rotation), s = std::sin(rotation);
  const double midX = (minX + maxX) / 2, midY = (minY + maxY) / 2;

  Signature signature;
  for (const TimedStroke& stroke : strokes) {
    PenStroke out;
    double next = 0;
    const double duration = (stroke.path.size() - 1) * kStep;
    while (true) {
      const double at = std::min(next, duration);
      const Point& p = stroke.path[static_cast<std::size_t>(std::lround(at / kStep))];
      const double dx = (p.x - midX) * scale, dy = (p.y - midY) * scale;
      const double x = left + w / 2 + dx * c - dy * s + random.Normal(noise);
      const double y = top + h / 2 - (dx * s + dy * c) + random.Normal(noise);
      PenPoint point;
      point.x = static_cast<float>(std::round(std::clamp(x, 0.0, kPadWidth - 1)));
      point.y = static_cast<float>(std::round(std::clamp(y, 0.0, kPadHeight - 1)));
      point.t = static_cast<std::uint32_t>(std::lround((stroke.start + at) * 1000));
      out.push_back(point);
      if (at >= duration) break;
      next += kSamplePeriod + random.Uniform(-0.002, 0.002);
    }
    signature.strokes.push_back(std::move(out));
  }
  return signature;
}

// Lays the strokes one after the other: each starts where the previous one
// ended plus its jump, after its gap.
std::vector<TimedStroke> Compose(const std::vector<StrokePlan>& plans,
                                 std::vector<std::vector<Point>> paths,
                                 const std::vector<double>& gaps) {
  std::vector<TimedStroke> strokes;
  double t = 0, x = 0, y = 0;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    if (i > 0) {
      t += gaps[i];
      x += plans[i].jumpX;
      y += plans[i].jumpY;
    }
    TimedStroke stroke;
    stroke.start = t;
    for (Point& p : paths[i]) stroke.path.push_back({p.x + x, p.y + y});
    x = stroke.path.back().x;
    y = stroke.path.back().y;
    t += (stroke.path.size() - 1) * kStep;
    strokes.push_back(std::move(stroke));
  }
  return strokes;
}

// The writer's plan with one signature's natural variation (or a forger's
// errors in copying the shape).
std::vector<StrokePlan> Vary(const Writer& writer, double shape, double timing, Random& random) {
  std::vector<StrokePlan> plans = writer.strokes;
  const double speed = std::exp(random.Normal(timing));
  for (StrokePlan& stroke : plans) {
    double previousT0 = 0, newT0 = 0;
    for (std::size_t i = 0; i < stroke.movements.size(); ++i) {
      Lognormal& m = stroke.movements[i];
      const double delta = m.t0 - previousT0;
      previousT0 = m.t0;
      newT0 = i == 0 ? m.t0 : newT0 + delta * std::exp(random.Normal(timing));
      m.t0 = newT0 * speed;
      m.mu += std::log(speed) + random.Normal(timing);
      m.sigma *= std::exp(random.Normal(timing * 0.6));
      m.distance *= std::exp(random.Normal(shape));
      m.thetaStart += random.Normal(shape);
      m.thetaEnd += random.Normal(shape);
    }
    stroke.gap *= std::exp(random.Normal(2 * timing)) * speed;
    stroke.jumpX += random.Normal(20 * shape);
    stroke.jumpY += random.Normal(20 * shape);
  }
  return plans;
}

std::vector<double> Gaps(const std::vector<StrokePlan>& plans) {
  std::vector<double> gaps;
  for (const StrokePlan& p : plans) gaps.push_back(p.gap);
  return gaps;
}

// Retimes a path as a slow copy: many small movements of unequal size along
// the same line, over `duration` seconds.
std::vector<Point> Trace(const std::vector<Point>& path, double duration, double moveLength,
                         Random& random) {
  std::vector<double> along(path.size(), 0);
  for (std::size_t i = 1; i < path.size(); ++i)
    along[i] = along[i - 1] + std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
  const double length = along.back();
  const int parts = std::max(2, static_cast<int>(length / moveLength));
  std::vector<Lognormal> moves;
  for (int i = 0; i < parts; ++i) {
    Lognormal m;
    m.t0 = duration * (i + random.Uniform(-0.3, 0.3)) / parts;
    m.distance = random.Uniform(0.5, 1.5);
    m.mu = std::log(duration / parts * random.Uniform(1.0, 2.0));
    m.sigma = random.Uniform(0.25, 0.45);
    moves.push_back(m);
  }
  double end = 0, total = 0;
  for (const Lognormal& m : moves) {
    end = std::max(end, m.t0 + std::exp(m.mu + 2.5 * m.sigma));
    total += m.distance;
  }
  const double start = std::min(0.0, moves.front().t0);
  std::vector<Point> traced;
  std::size_t index = 0;
  for (double t = start; t <= end + kStep / 2; t += kStep) {
    double s = 0;
    for (const Lognormal& m : moves) s += m.distance * LognormalCdf(m, t);
    const double target = std::min(s / total, 1.0) * length;
    while (index + 1 < along.size() && along[index + 1] < target) ++index;
    traced.push_back(path[index]);
  }
  traced.push_back(path.back());
  return traced;
}

}  // namespace

Writer MakeWriter(std::uint64_t seed) {
  Random random(Mix(seed, 1));
  Writer writer;
  writer.width = random.Uniform(110, 200);
  writer.variability = random.Uniform(0.6, 1.8);
  const double slant = random.Uniform(-0.1, 0.45);
  const int strokes = random.Integer(1, 3);
  for (int s = 0; s < strokes; ++s) {
    StrokePlan stroke;
    const int movements = random.Integer(4, 9);
    double t0 = random.Uniform(-0.05, 0.0);
    for (int i = 0; i < movements; ++i) {
      Lognormal m;
      double direction;
      if (random.Uniform(0, 1) < 0.25)
        direction = random.Normal(0.3);  // a sweep to the right
      else if (i % 2 == 0)
        direction = kPi / 2 - slant + random.Normal(0.35);
      else
        direction = -kPi / 2 + random.Uniform(0.1, 0.6) + random.Normal(0.2);
      const double turn = random.Normal(1.0);
      m.t0 = t0;
      m.distance = random.Uniform(12, 35);
      m.mu = std::log(random.Uniform(0.12, 0.28));
      m.sigma = random.Uniform(0.18, 0.32);
      m.thetaStart = direction - turn / 2;
      m.thetaEnd = direction + turn / 2;
      stroke.movements.push_back(m);
      t0 += random.Uniform(0.07, 0.15);
    }
    stroke.gap = random.Uniform(0.08, 0.30);
    stroke.jumpX = random.Uniform(-15, 30);
    stroke.jumpY = random.Normal(10);
    writer.strokes.push_back(std::move(stroke));
  }
  return writer;
}

Signature Genuine(const Writer& writer, std::uint64_t seed) {
  Random random(Mix(seed, 2));
  const double v = writer.variability;
  const std::vector<StrokePlan> plans = Vary(writer, 0.06 * v, 0.06 * v, random);
  std::vector<std::vector<Point>> paths;
  for (const StrokePlan& p : plans) paths.push_back(Integrate(p));
  const std::vector<TimedStroke> strokes = Compose(plans, std::move(paths), Gaps(plans));
  return Render(strokes, writer.width * std::exp(random.Normal(0.06 * v)), random.Normal(0.03), 0.3,
                random);
}

// Adds a slow wobble around the line.
void Tremble(std::vector<Point>* path, double amplitude, Random& random) {
  const double frequency = random.Uniform(3, 8);
  const double phaseX = random.Uniform(0, 2 * kPi), phaseY = random.Uniform(0, 2 * kPi);
  for (std::size_t i = 0; i < path->size(); ++i) {
    const double t = static_cast<double>(i) * kStep;
    (*path)[i].x += amplitude * std::sin(2 * kPi * frequency * t + phaseX);
    (*path)[i].y += amplitude * std::sin(2 * kPi * frequency * t + phaseY);
  }
}

Signature SkilledForgery(const Writer& writer, std::uint64_t seed) {
  Random random(Mix(seed, 3));
  const double skill = random.Uniform(0, 1);  // 1: the best forger
  const double tremor = random.Uniform(0.2, 1.2) * (1 - skill / 2);
  std::vector<StrokePlan> plans;
  std::vector<std::vector<Point>> paths;
  std::vector<double> gaps;
  if (random.Uniform(0, 1) < 0.5) {
    // A forger who sees only the shape traces it: the copy has its own
    // errors of shape, runs slower in many small movements, pauses longer
    // between strokes and trembles.
    plans = Vary(writer, 0.14 - 0.08 * skill, 0.0, random);
    const double slowness = random.Uniform(1.05, 1.2 + 1.3 * (1 - skill));
    const double moveLength = random.Uniform(8, 18) * (1 + skill);
    for (const StrokePlan& p : plans) {
      const std::vector<Point> path = Integrate(p);
      const double duration = (path.size() - 1) * kStep * slowness;
      std::vector<Point> traced = Trace(path, duration, moveLength, random);
      Tremble(&traced, tremor, random);
      paths.push_back(std::move(traced));
      gaps.push_back(p.gap * random.Uniform(1.2, 3.5 - 1.5 * skill));
    }
  } else {
    // A forger who has practised writes the strokes in whole movements, but
    // with a rhythm of his own, more slowly and less precisely.
    plans = Vary(writer, 0.12 - 0.06 * skill, 0.18 - 0.08 * skill, random);
    const double slowness = random.Uniform(1.1, 1.3 + 0.6 * (1 - skill));
    for (StrokePlan& p : plans) {
      for (Lognormal& m : p.movements) {
        m.t0 *= slowness;
        m.mu += std::log(slowness);
      }
      std::vector<Point> path = Integrate(p);
      Tremble(&path, tremor / 2, random);
      paths.push_back(std::move(path));
      gaps.push_back(p.gap * slowness * random.Uniform(1.0, 2.0));
    }
  }
  const std::vector<TimedStroke> strokes = Compose(plans, std::move(paths), gaps);
  return Render(strokes, writer.width * std::exp(random.Normal(0.10)), random.Normal(0.05), 0.5,
                random);
}

std::vector<WriterSamples> MakeEvaluationSet(int writers, int genuine, int skilled,
                                             std::uint64_t seed) {
  std::vector<WriterSamples> set;
  for (int w = 0; w < writers; ++w) {
    const std::uint64_t writerSeed = Mix(seed, static_cast<std::uint64_t>(w) + 100);
    const Writer writer = MakeWriter(writerSeed);
    WriterSamples samples;
    for (int i = 0; i < panel::SignatureEngine::kRequiredSamples; ++i)
      samples.enrollment.push_back(Genuine(writer, Mix(writerSeed, 1000 + i)));
    for (int i = 0; i < genuine; ++i)
      samples.genuine.push_back(Genuine(writer, Mix(writerSeed, 2000 + i)));
    for (int i = 0; i < skilled; ++i)
      samples.skilled.push_back(SkilledForgery(writer, Mix(writerSeed, 3000 + i)));
    set.push_back(std::move(samples));
  }
  return set;
}

}  // namespace handwriting
