// The host tool's editor snapshot against a module whose editor paints a
// known pattern.
#include <gtest/gtest.h>

#include <png.h>

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
