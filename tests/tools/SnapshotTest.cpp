// The host tool's editor snapshot against a module whose editor paints a
// known pattern.
#include <gtest/gtest.h>

#include <windows.h>

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"

TEST(Snapshot, CapturesTheEditorsPaintedPixels)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_FAKE_EDITOR_PATH)) << host.Error();
  const std::string path = testing::TempDir() + "vexa_snapshot.png";
  std::string error;
  ASSERT_TRUE(SnapshotEditor(host, path, error)) << error;

  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_RGBA;
  ASSERT_EQ(image.width, 80u);
  ASSERT_EQ(image.height, 60u);
  std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
  auto pixel = [&](int x, int y) {
    const unsigned char* p = &rgba[(static_cast<size_t>(y) * 80 + static_cast<size_t>(x)) * 4];
    return (p[0] << 16) | (p[1] << 8) | p[2];
  };
  EXPECT_EQ(pixel(5, 5), 0xFF0000);
  EXPECT_EQ(pixel(39, 59), 0xFF0000);
  EXPECT_EQ(pixel(40, 0), 0x0000FF);
  EXPECT_EQ(pixel(79, 30), 0x0000FF);
  std::remove(path.c_str());
}

TEST(Snapshot, RefusesAModuleWithoutEditor)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_MODULE_PATH)) << host.Error();
  std::string error;
  if (host.Effect()->flags & effFlagsHasEditor) GTEST_SKIP() << "this module has an editor";
  EXPECT_FALSE(SnapshotEditor(host, testing::TempDir() + "none.png", error));
  EXPECT_EQ(error, "the plug-in has no editor");
}

TEST(Snapshot, EqualsTheSurfaceARealEditorDrewPixelForPixel)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_TEST_EDITOR_PATH)) << host.Error();
  host.Open(44100.0, 512);
  const std::string path = testing::TempDir() + "vexa_editor_snapshot.png";
  std::string error;
  ASSERT_TRUE(SnapshotEditor(host, path, error)) << error;

  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> shown(PNG_IMAGE_SIZE(image) / 4);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, shown.data(), 0, nullptr));
  std::remove(path.c_str());

  typedef int (*SurfaceProc)(AEffect*, uint32_t*, int);
  SurfaceProc surfaceOf =
    reinterpret_cast<SurfaceProc>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("test_editor_module.dll"), "TestEditorSurface")));
  ASSERT_NE(surfaceOf, nullptr);
  std::vector<uint32_t> surface(static_cast<size_t>(image.width) * image.height);
  ASSERT_EQ(surfaceOf(host.Effect(), surface.data(), static_cast<int>(surface.size())), static_cast<int>(surface.size()));
  size_t differing = 0, first = surface.size();
  for (size_t i = 0; i < surface.size(); ++i) {
    if ((shown[i] & 0xFFFFFFu) != surface[i]) {
      ++differing;
      if (first == surface.size()) first = i;
    }
  }
  EXPECT_EQ(differing, 0u) << "first at (" << first % image.width << ", " << first / image.width << ")";
  // The snapshot shows an editor, not an empty window.
  EXPECT_NE(surface[0], surface[32 * image.width + 32]);
}
