// orvanta-render's PNGs read back through libpng: the picture in RGB byte for
// byte, palette indices through fixed palettes, any size and content, and
// strips past the framebuffer's limit straight from their points.
#include "png_writer.h"
#include "program_run.h"
#include "render_session.h"
#include "render_tool.h"
#include "scratch_files.h"

#include <gtest/gtest.h>
#include <png.h>
#include <random>

namespace {

// The PNG at the path as colour words, if it is an RGB picture of that size.
std::vector<uint32_t> ReadPng(const std::string& sPath, int iWidth, int iHeight) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> rgb;
    EXPECT_TRUE(png_image_begin_read_from_file(&image, sPath.c_str())) << sPath;
    EXPECT_EQ(uint64_t{image.width} << 32 | image.height, uint64_t(iWidth) << 32 | uint64_t(iHeight)) << sPath;
    EXPECT_EQ(image.format, static_cast<png_uint_32>(PNG_FORMAT_RGB));
    if (image.width != uint32_t(iWidth) || image.height != uint32_t(iHeight)) return {};
    rgb.resize(PNG_IMAGE_SIZE(image));
    EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << sPath;
    std::vector<uint32_t> words;
    for (size_t i = 0; i < rgb.size(); i += 3) words.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return words;
}

// The PNG at the path holds exactly these colour words, as RGB.
void ExpectPng(const std::string& sPath, int iWidth, int iHeight, const std::vector<uint32_t>& words) {
    std::vector<uint32_t> read = ReadPng(sPath, iWidth, iHeight);
    ASSERT_EQ(read.size(), words.size());
    for (size_t i = 0; i < words.size(); ++i) ASSERT_EQ(read[i], words[i]) << iWidth << "x" << iHeight << " pixel " << i;
}

TEST(RenderTool, ThePngIsTheClientAreaInRgb) {
    ScratchDir dir;
    std::string sPng = dir.Path("out.png");
    const char* argv[] = {"orvanta-render", "--size", "37x23", "--iterations", "40", "--color-factor", "250", sPng.c_str()};
    ASSERT_EQ(RunRenderTool(8, argv), 0);
    RenderOptions options;
    options.iWidth = 37, options.iHeight = 23, options.values.ulMaxLevels = 40, options.values.iColorFactor = 250;
    ExpectPng(sPng, 37, 23, RenderHeadless(options).pixels);
}

// Palette indices through fixed palettes; pictures that compress to almost
// nothing and noise that does not (several IDAT chunks), down to one pixel;
// too few words for the size write nothing.
TEST(RenderTool, PngsOfAnySizeAndContentReadBackExactly) {
    ScratchDir dir;
    std::string sError, sPng = dir.Path("p.png");
    ASSERT_TRUE(WritePng(sPng, 8, 1, {PALETTEINDEX(1), PALETTEINDEX(15), PALETTEINDEX(16), PALETTEINDEX(231),
                                      PALETTEINDEX(232), PALETTEINDEX(255), PALETTEINDEX(256 + 9), RGB(1, 2, 3)}, &sError)) << sError;
    ExpectPng(sPng, 8, 1, {RGB(128, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 255), RGB(8, 8, 8),
                           RGB(238, 238, 238), RGB(255, 0, 0), RGB(1, 2, 3)});
    EXPECT_FALSE(WritePng(dir.Path("q.png"), 4, 4, std::vector<uint32_t>(15), &sError) || std::filesystem::exists(dir.Path("q.png")));
    std::mt19937 random(7);
    for (const auto& [iWidth, iHeight, bNoise] : {std::tuple{1, 1, true}, {1, 500, true}, {997, 3, false}, {640, 480, true}}) {
        std::vector<uint32_t> words(static_cast<size_t>(iWidth) * iHeight);
        for (size_t i = 0; i < words.size(); ++i)
            words[i] = bNoise ? random() & 0x00FFFFFF : RGB(i % 7 == 0 ? 255 : 0, (i / 640) % 256, 9);
        ASSERT_TRUE(WritePng(sPng, iWidth, iHeight, words, &sError)) << sError;
        ExpectPng(sPng, iWidth, iHeight, words);
    }
}

// Past the framebuffer's limit, strips come straight from their points: each
// sampled pixel, the first and last ones among them, is the colour
// PointColor gives its point here on the program's thread.
TEST(RenderTool, StripsPastTheFramebuffersLimitHoldTheirPointsColours) {
    ScratchDir dir;
    for (const auto& [iWidth, iHeight, pszHeight] : {std::tuple{70000, 3, "1e-6"}, {3, 70000, "0.03"}}) {
        std::string sSize = std::to_string(iWidth) + "x" + std::to_string(iHeight), sPng = dir.Path(sSize + ".png");
        const char* argv[] = {"orvanta-render", "--size", sSize.c_str(), "--center", "-0.7436,0.1318", "--height", pszHeight,
                              "--iterations", "700", "--rgb", "5", "--invert", "--threads", "3", sPng.c_str()};
        ASSERT_EQ(RunRenderTool(15, argv), 0) << sSize;
        std::vector<uint32_t> words = ReadPng(sPng, iWidth, iHeight);
        ASSERT_EQ(words.size(), 210000u);
        RenderOptions options;
        std::string sError;
        ASSERT_EQ(ParseRenderOptions(15, argv, &options, &sError), ParseResult::Render) << sError;
        MeasureView(options);
        for (int i = 0; i < 420; ++i) {
            int u = i < 20 ? i : i < 40 ? 209999 - i : (i - 40) * 552;
            int x = u % iWidth, y = u / iWidth;
            PointColor(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY);
            ASSERT_EQ(words[u], PenColor) << sSize << " at " << x << "," << y;
        }
    }
}

}  // namespace
