#include "graphics/x11/PixelFormatX11.h"

#include <cstring>

namespace {

constexpr uint32_t kSurfaceRed = 0x00FF0000u;
constexpr uint32_t kSurfaceGreen = 0x0000FF00u;
constexpr uint32_t kSurfaceBlue = 0x000000FFu;
constexpr int kChannelBits = 8;
// Widest channel a mask may describe.
constexpr int kMaxChannelBits = 16;
constexpr int kBitsPerByte = 8;

// Position and width of a contiguous mask; false for an empty or split one.
bool MaskShape(uint32_t mask, int* shift, int* bits)
{
  if (mask == 0) return false;
  int s = 0;
  while (!(mask & (1u << s))) ++s;
  int b = 0;
  while (s + b < 32 && (mask & (1u << (s + b)))) ++b;
  if (s + b < 32 && (mask >> (s + b)) != 0) return false;
  *shift = s;
  *bits = b;
  return true;
}

bool HostIsLittleEndian()
{
  const uint32_t probe = 1;
  unsigned char first;
  std::memcpy(&first, &probe, 1);
  return first == 1;
}

uint32_t DepthMask(int depth) { return depth >= 32 ? 0xFFFFFFFFu : ((1u << depth) - 1u); }

// An 8-bit channel value placed into a channel of bits width at shift;
// wider channels repeat the value's top bits so that 255 stays full scale.
uint32_t PlaceChannel(uint32_t value, int shift, int bits)
{
  uint32_t v;
  if (bits <= kChannelBits) {
    v = value >> (kChannelBits - bits);
  } else {
    v = (value << (bits - kChannelBits)) | (value >> (2 * kChannelBits - bits));
  }
  return v << shift;
}

// The layout's channels, resolved once per row.
struct Channels
{
  int redShift, redBits, greenShift, greenBits, blueShift, blueBits;
  uint32_t fill;  // bits of the depth outside the masks
};

bool ResolveChannels(const X11PixelLayout& layout, Channels* c)
{
  if (!MaskShape(layout.redMask, &c->redShift, &c->redBits)) return false;
  if (!MaskShape(layout.greenMask, &c->greenShift, &c->greenBits)) return false;
  if (!MaskShape(layout.blueMask, &c->blueShift, &c->blueBits)) return false;
  c->fill = DepthMask(layout.depth) & ~(layout.redMask | layout.greenMask | layout.blueMask);
  return true;
}

}  // namespace

X11PixelPath ChoosePixelPath(const X11PixelLayout& layout)
{
  Channels c;
  if (!ResolveChannels(layout, &c)) return X11PixelPath::kUnsupported;
  if (c.redBits > kMaxChannelBits || c.greenBits > kMaxChannelBits || c.blueBits > kMaxChannelBits) {
    return X11PixelPath::kUnsupported;
  }
  if (layout.bitsPerPixel != 16 && layout.bitsPerPixel != 24 && layout.bitsPerPixel != 32) {
    return X11PixelPath::kUnsupported;
  }
  if (layout.depth < 1 || layout.depth > layout.bitsPerPixel) return X11PixelPath::kUnsupported;
  const uint32_t all = layout.redMask | layout.greenMask | layout.blueMask;
  if ((all & ~DepthMask(layout.depth)) != 0) return X11PixelPath::kUnsupported;
  if ((layout.redMask & layout.greenMask) || (layout.redMask & layout.blueMask) ||
      (layout.greenMask & layout.blueMask)) {
    return X11PixelPath::kUnsupported;
  }
  const bool sameMasks =
      layout.redMask == kSurfaceRed && layout.greenMask == kSurfaceGreen && layout.blueMask == kSurfaceBlue;
  const bool sameOrder = layout.msbFirst != HostIsLittleEndian();
  // A 24-bit visual ignores the surface's alpha byte, so its memory can be
  // sent as it is.
  if (sameMasks && sameOrder && layout.bitsPerPixel == 32 && layout.depth == 24) return X11PixelPath::kDirect;
  return X11PixelPath::kConvert;
}

int ImageBytesPerPixel(const X11PixelLayout& layout) { return layout.bitsPerPixel / kBitsPerByte; }

void ConvertPixelRow(const X11PixelLayout& layout, const uint32_t* source, int count, unsigned char* dest)
{
  Channels c;
  if (count <= 0 || !ResolveChannels(layout, &c)) return;
  const int bytes = ImageBytesPerPixel(layout);
  const bool sameOrder = layout.msbFirst != HostIsLittleEndian();
  if (bytes == 4 && sameOrder && layout.redMask == kSurfaceRed && layout.greenMask == kSurfaceGreen &&
      layout.blueMask == kSurfaceBlue) {
    // The common 32-bit case: only the bits outside the masks change.
    for (int i = 0; i < count; ++i) {
      const uint32_t v = (source[i] & (kSurfaceRed | kSurfaceGreen | kSurfaceBlue)) | c.fill;
      std::memcpy(dest + 4 * i, &v, 4);
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    const uint32_t p = source[i];
    const uint32_t v = PlaceChannel((p >> 16) & 0xFFu, c.redShift, c.redBits) |
                       PlaceChannel((p >> 8) & 0xFFu, c.greenShift, c.greenBits) |
                       PlaceChannel(p & 0xFFu, c.blueShift, c.blueBits) | c.fill;
    unsigned char* d = dest + bytes * i;
    for (int k = 0; k < bytes; ++k) {
      const int shift = layout.msbFirst ? (bytes - 1 - k) * kBitsPerByte : k * kBitsPerByte;
      d[k] = static_cast<unsigned char>(v >> shift);
    }
  }
}
