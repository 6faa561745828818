#include "draw/raster/ellipse_ring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessaloom::raster {

EllipseGeometry EllipseGeometry::Of(const EllipseBox& box) noexcept {
  // Extreme pixel centres are left, right - 1, top and bottom - 1.
  const auto l = static_cast<double>(box.left);
  const auto t = static_cast<double>(box.top);
  const auto w = static_cast<double>(box.Width());
  const auto h = static_cast<double>(box.Height());
  return {l + (w - 1) / 2, t + (h - 1) / 2, (w - 1) / 2, (h - 1) / 2};
}

double EllipseGeometry::X(double t) const noexcept { return cx + rx * std::cos(t); }

double EllipseGeometry::Y(double t) const noexcept { return cy - ry * std::sin(t); }

double EllipseGeometry::ParameterOfRay(double px, double py, double dx, double dy) const noexcept {
  if (rx <= 0 || ry <= 0) return 0;
  // In unit-circle coordinates (y up) solve |p + s d| = 1 for s >= 0.
  const double x = (px - cx) / rx;
  const double y = (cy - py) / ry;
  const double ux = dx / rx;
  const double uy = -dy / ry;
  const double a = ux * ux + uy * uy;
  if (a <= 0) return 0;
  const double b = 2 * (x * ux + y * uy);
  const double c = x * x + y * y - 1;
  const double s = (-b + std::sqrt(std::max(b * b - 4 * a * c, 0.0))) / (2 * a);
  return std::atan2(y + s * uy, x + s * ux);
}

double EllipseGeometry::ParameterOfPoint(double x, double y) const noexcept {
  if (rx <= 0 || ry <= 0) return 0;
  return std::atan2((cy - y) / ry, (x - cx) / rx);
}

std::int64_t EllipseGeometry::SegmentCount(double sweep) const noexcept {
  const double radius = std::max({rx, ry, 1.0});
  const double perTurn = std::clamp(8 * std::sqrt(radius), 64.0, 32768.0);
  const double count =
      std::ceil(perTurn * std::clamp(sweep, 0.0, 2 * std::numbers::pi) / (2 * std::numbers::pi));
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(count));
}

}  // namespace tessaloom::raster
