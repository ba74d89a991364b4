#include "graphics/EditorTypes.h"

#include <algorithm>

namespace {

constexpr int32_t kChannelMax = 255;

uint32_t Channel(int32_t v) { return static_cast<uint32_t>(std::min(std::max(v, 0), kChannelMax)); }

}  // namespace

bool IArea::Overlaps(const IArea& b) const
{
  if (IsEmpty() || b.IsEmpty()) return false;
  return right >= b.left && left < b.right && bottom >= b.top && top < b.bottom;
}

IArea IArea::Intersect(const IArea& b) const
{
  if (!Overlaps(b)) return IArea{};
  return IArea{std::max(left, b.left), std::max(top, b.top), std::min(right, b.right), std::min(bottom, b.bottom)};
}

void IArea::WidenBy(const IArea& area)
{
  if (IsEmpty()) {
    *this = area;
    return;
  }
  if (area.IsEmpty()) return;
  left = std::min(left, area.left);
  top = std::min(top, area.top);
  right = std::max(right, area.right);
  bottom = std::max(bottom, area.bottom);
}

uint32_t IRgba::Pixel() const
{
  return (Channel(alpha) << 24) | (Channel(red) << 16) | (Channel(green) << 8) | Channel(blue);
}

int IBitmapRef::FrameWidth() const { return framesHorizontal && frames > 1 ? width / frames : width; }

int IBitmapRef::FrameHeight() const { return !framesHorizontal && frames > 1 ? height / frames : height; }
