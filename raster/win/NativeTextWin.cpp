// Native text over GDI: fonts, text colours and modes, DrawText into a memory
// device context, UTF-8 conversion and the Wine registry probe.

#include <windows.h>

#include "raster/NativeText.h"

namespace
{

HDC Dc(LICE_NativeDC dc) { return static_cast<HDC>(dc); }

COLORREF ToColorRef(PixelValue rgb) { return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255); }

const char kWineKey[] = "Software\\Wine";

}  // namespace

LICE_NativeFont NativeCreateFont(const NativeFontRequest& request)
{
  return CreateFontA(request.height, request.width, request.escapement, request.orientation, request.weight, request.italic ? TRUE : FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     static_cast<DWORD>(request.quality), DEFAULT_PITCH, request.face);
}

void NativeDeleteFont(LICE_NativeFont font)
{
  if (font) DeleteObject(static_cast<HGDIOBJ>(font));
}

LICE_NativeFont NativeSelectFont(LICE_NativeDC dc, LICE_NativeFont font)
{
  if (!dc || !font) return nullptr;
  return SelectObject(Dc(dc), static_cast<HGDIOBJ>(font));
}

void NativeSetTextColor(LICE_NativeDC dc, PixelValue rgb)
{
  if (dc) SetTextColor(Dc(dc), ToColorRef(rgb));
}

void NativeSetBackColor(LICE_NativeDC dc, PixelValue rgb)
{
  if (dc) SetBkColor(Dc(dc), ToColorRef(rgb));
}

void NativeSetBackMode(LICE_NativeDC dc, int mode)
{
  if (dc) SetBkMode(Dc(dc), mode == kBackOpaque ? OPAQUE : TRANSPARENT);
}

int NativeTextHeight(LICE_NativeDC dc)
{
  TEXTMETRICA tm;
  if (!dc || !GetTextMetricsA(Dc(dc), &tm)) return 0;
  return tm.tmHeight;
}

namespace {

// Runs one DrawText call on rect and copies the rectangle it leaves back.
template <class Draw>
int DrawIntoRect(LICE_NativeDC dc, LICE_Rect* rect, Draw draw)
{
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  const int result = draw(Dc(dc), &r);
  // Pixels are read directly after drawing: finish GDI's batched work.
  GdiFlush();
  rect->left = r.left;
  rect->top = r.top;
  rect->right = r.right;
  rect->bottom = r.bottom;
  return result;
}

}  // namespace

int NativeDrawTextNarrow(LICE_NativeDC dc, const char* text, int length, LICE_Rect* rect, unsigned format)
{
  if (!dc || !text || !rect) return 0;
  return DrawIntoRect(dc, rect, [&](HDC hdc, RECT* r) { return DrawTextA(hdc, text, length, r, format); });
}

int NativeDrawTextWide(LICE_NativeDC dc, const uint16_t* text, int length, LICE_Rect* rect, unsigned format)
{
  if (!dc || !text || !rect) return 0;
  return DrawIntoRect(dc, rect, [&](HDC hdc, RECT* r) {
    return DrawTextW(hdc, reinterpret_cast<const wchar_t*>(text), length, r, format);
  });
}

int NativeUtf8ToUtf16(const char* text, int length, uint16_t* out, int capacity)
{
  if (!text || length <= 0) return 0;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, reinterpret_cast<wchar_t*>(out),
                             out ? capacity : 0);
}

bool NativeWineKeyPresent()
{
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWineKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}
