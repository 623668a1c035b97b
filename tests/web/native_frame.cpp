// Writes the frame the page holds for a query with a fixed seed and frame
// count, drawn by the native core through OSMesa: WIDTH x HEIGHT RGBA bytes,
// bottom row first, as WebGL's readPixels gives the browser's. The camera
// takes the proportions of ASPECT_WIDTH x ASPECT_HEIGHT (the canvas the
// browser stretches a smaller drawing buffer over), else of the frame's.
//   native_frame WIDTH HEIGHT QUERY OUT [ASPECT_WIDTH ASPECT_HEIGHT]
// Or the core's fade, the opacity byte of each of its 100 ticks:
//   native_frame fade BRIGHTNESS
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/fade.h"

#include "offscreen.h"
#include "web/page_field.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "fade") == 0) {
    FadeIn fade;
    for (int tick = 1; tick <= 100; ++tick) std::printf("%d ", fade.tick(std::atoi(argv[2])));
    std::printf("\n");
    return 0;
  }
  if (argc != 5 && argc != 7) {
    std::fprintf(stderr, "usage: native_frame WIDTH HEIGHT QUERY OUT [ASPECT_WIDTH ASPECT_HEIGHT]\n");
    return 2;
  }
  const int width = std::atoi(argv[1]);
  const int height = std::atoi(argv[2]);
  const int aspectWidth = argc == 7 ? std::atoi(argv[5]) : width;
  const int aspectHeight = argc == 7 ? std::atoi(argv[6]) : height;
  const ParsedPageOptions parsed = ParsePageQuery(argv[3]);
  if (width <= 0 || height <= 0 || !parsed.error.empty()) {
    std::fprintf(stderr, "native_frame: %s\n", parsed.error.empty() ? "bad size" : parsed.error.c_str());
    return 2;
  }
  OffscreenContext context(width, height);
  if (!context.ok()) {
    std::fprintf(stderr, "native_frame: no OSMesa context\n");
    return 1;
  }
  SetupScene(width, height, aspectWidth, aspectHeight);
  const auto field = std::make_unique<FlakeField>();
  DrawFixedFrame(*field, parsed.options);
  glFinish();
  std::FILE* out = std::fopen(argv[4], "wb");
  const auto& pixels = context.pixels();
  const bool written = out != nullptr && std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  if (out != nullptr && std::fclose(out) != 0) return 1;
  return written ? 0 : 1;
}
