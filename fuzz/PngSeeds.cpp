// Writes the PNG fuzz target's own seed images into a folder: small images
// of every colour type and bit depth, plain and interlaced, with and without
// transparency, and a few stream shapes decoders get wrong (image data split
// over many chunks, text chunks before and after it, a one-pixel and a
// one-row image). Run by scripts/make-fuzz-seeds.sh.
// Usage: png_seed_maker FOLDER
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{

struct Shape
{
  int width, height, colourType, depth;
  bool interlaced, transparency, text;
  int idatBytes;  // largest image data chunk; 0 for libpng's default
};

int Channels(int colourType)
{
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

bool Write(const std::string& path, const Shape& s)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  if (s.idatBytes) png_set_compression_buffer_size(png, static_cast<size_t>(s.idatBytes));
  png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.depth, s.colourType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  const int entries = s.colourType == PNG_COLOR_TYPE_PALETTE ? 1 << s.depth : 0;
  std::vector<png_color> palette(static_cast<size_t>(entries ? entries : 1));
  std::vector<png_byte> alpha(palette.size());
  for (int i = 0; i < entries; ++i) {
    palette[size_t(i)] = {png_byte(i * 37), png_byte(255 - i * 11), png_byte(i * 101)};
    alpha[size_t(i)] = png_byte(i * 53);
  }
  if (entries) png_set_PLTE(png, info, palette.data(), entries);
  png_color_16 key = {};
  key.gray = key.red = 1;
  if (s.transparency) {
    if (entries) {
      png_set_tRNS(png, info, alpha.data(), entries, nullptr);
    } else if (!(s.colourType & PNG_COLOR_MASK_ALPHA)) {
      png_set_tRNS(png, info, nullptr, 0, &key);
    }
  }
  png_text text = {};
  text.compression = PNG_TEXT_COMPRESSION_zTXt;
  text.key = const_cast<char*>("Comment");
  text.text = const_cast<char*>("seed image for the PNG fuzz target");
  if (s.text) png_set_text(png, info, &text, 1);
  png_write_info(png, info);
  const size_t rowBytes = (size_t(s.width) * size_t(Channels(s.colourType)) * size_t(s.depth) + 7) / 8;
  std::vector<std::vector<png_byte>> rows(size_t(s.height), std::vector<png_byte>(rowBytes));
  std::vector<png_bytep> pointers;
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rowBytes; ++x) rows[y][x] = png_byte(y * 29 + x * 7 + (x * y) % 5);
    pointers.push_back(rows[y].data());
  }
  png_write_image(png, pointers.data());
  if (s.text) {
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    png_set_text(png, info, &text, 1);
  }
  png_write_end(png, s.text ? info : nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: png_seed_maker FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  struct Kind
  {
    const char* name;
    int colourType;
    std::vector<int> depths;
  };
  const Kind kinds[] = {{"grey", PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
                        {"greyalpha", PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
                        {"rgb", PNG_COLOR_TYPE_RGB, {8, 16}},
                        {"rgba", PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
                        {"palette", PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}};
  int written = 0, failed = 0;
  for (const Kind& k : kinds) {
    for (int depth : k.depths) {
      for (int variant = 0; variant < 2; ++variant) {
        const bool odd = variant == 1;
        const Shape s = {odd ? 7 : 4, odd ? 5 : 3, k.colourType, depth, odd, odd, false, 0};
        const std::string name = folder + "/" + k.name + "-" + std::to_string(depth) +
                                 (odd ? "-interlaced-transparent" : "") + ".png";
        (Write(name, s) ? written : failed)++;
      }
    }
  }
  const Shape extras[] = {
    {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, false, 0},
    {300, 1, PNG_COLOR_TYPE_GRAY, 8, false, false, false, 0},
    {1, 40, PNG_COLOR_TYPE_PALETTE, 2, true, true, false, 0},
    {23, 17, PNG_COLOR_TYPE_RGB, 8, false, false, true, 16},
    {9, 9, PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false, true, 8},
  };
  const char* extraNames[] = {"one-pixel", "one-row", "one-column-interlaced", "split-data-text",
                              "split-data-text-interlaced"};
  for (size_t i = 0; i < sizeof extras / sizeof extras[0]; ++i) {
    (Write(folder + "/" + extraNames[i] + ".png", extras[i]) ? written : failed)++;
  }
  std::printf("png_seed_maker: %d images written to %s\n", written, folder.c_str());
  return failed ? 1 : 0;
}
