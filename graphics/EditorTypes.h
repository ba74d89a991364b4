#pragma once
// The editor's shared value types: rectangles, colours, text styles, film
// strips, pointer modifiers, blends and keys. Used by the editor core, the
// controls and the window layers.

#include <cstdint>

class LICE_IBitmap;
class LICE_CachedFont;

// An integer rectangle in editor pixels, origin at the editor's top-left.
// Empty exactly when all four numbers are 0 (a zero-width area elsewhere is
// not empty). Right and bottom are exclusive for hit tests and inclusive for
// the overlap test.
struct IArea
{
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  // Neither is empty and they touch or cross (right and bottom inclusive).
  bool Overlaps(const IArea& other) const;
  // The common part when they overlap, otherwise the empty area.
  IArea Intersect(const IArea& other) const;
  // The redraw tick's union step: an empty union is replaced by area; a
  // non-empty one is widened by any non-empty area.
  void WidenBy(const IArea& area);
};

inline bool operator==(const IArea& a, const IArea& b)
{
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const IArea& a, const IArea& b) { return !(a == b); }

// A colour: alpha, red, green, blue, each 0-255.
struct IRgba
{
  int32_t alpha = 255;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;

  // 0xAARRGGBB, each channel limited to 0-255.
  uint32_t Pixel() const;
};

// Byte size of a text style's font name, with terminator.
constexpr int kFontNameBytes = 32;

enum ITextWeight : int32_t
{
  kTextStyleNormal = 0,
  kTextStyleBold = 1,
  kTextStyleItalic = 2,
};

enum ITextAlign : int32_t
{
  kAlignLeft = 0,
  kAlignCenter = 1,
  kAlignRight = 2,
};

enum ITextQuality : int32_t
{
  kQualityDefault = 0,
  kQualityNonAntialiased = 1,
  kQualityAntialiased = 2,
  kQualityClearType = 3,
};

// How a control's text is drawn and how its text-entry box looks. The font
// link points into the process-wide font cache, which owns the font; a
// style never owns it.
struct ITextStyle
{
  char fontName[kFontNameBytes] = "Verdana";
  int32_t size = 12;  // pixels, the native font height
  IRgba colour = {255, 0, 0, 0};
  IRgba entryBackground = {255, 255, 255, 255};
  IRgba entryText = {255, 0, 0, 0};
  int32_t style = kTextStyleNormal;
  int32_t alignment = kAlignCenter;
  int32_t orientation = 0;  // degrees
  int32_t quality = kQualityDefault;
  LICE_CachedFont* font = nullptr;
};

// A loaded film strip. The bitmap belongs to the process-wide bitmap cache
// (never to the reference); it is null when the image could not be loaded,
// and then width and height are 0. Copied by value into controls.
struct IBitmapRef
{
  LICE_IBitmap* bitmap = nullptr;
  int32_t width = 0;   // of the whole strip
  int32_t height = 0;  // of the whole strip
  int32_t frames = 1;
  bool framesHorizontal = false;

  // Size of one frame (a strip of fewer than one frame counts as one).
  int FrameWidth() const;
  int FrameHeight() const;
};

// Buttons and modifier keys held during a pointer event.
struct IMouseMods
{
  bool left = false;
  bool right = false;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

enum IBlendKind : int32_t
{
  kBlendSourceAlpha = 0,  // copy weighted by the source's alpha
  kBlendCopy = 1,         // plain copy
  kBlendAdd = 2,          // add, with source alpha
  kBlendDodge = 3,        // dodge, with source alpha
};

// How a frame is combined with the surface.
struct IBlendSpec
{
  int32_t kind = kBlendSourceAlpha;
  float weight = 1.0f;
};

// Key codes handed to controls.
enum EditorKey : int32_t
{
  kKeySpace = 0,
  kKeyUp = 1,
  kKeyDown = 2,
  kKeyLeft = 3,
  kKeyRight = 4,
  kKeyDigit0 = 5,   // digits 0-9: 5-14
  kKeyLetterA = 15, // letters A-Z: 15-40
  kKeyLetterZ = 40,
};
