// The host tool's editor snapshot against the editor of a real module,
// whose own surface the module hands back for the comparison.
#include <gtest/gtest.h>

#include <windows.h>

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"

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
