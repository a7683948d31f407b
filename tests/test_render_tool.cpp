// orvanta-render's own options, its PNG and its exit codes: bad arguments are
// refused with a message naming them, the PNG is the picture, byte for byte,
// and a failed write leaves nothing behind.
#include "options.h"
#include "platform.h"
#include "png_writer.h"
#include "render_session.h"
#include "render_tool.h"
#include "scratch_files.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <png.h>
#include <random>

namespace {

int RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "orvanta-render");
    std::vector<const char*> argv;
    for (const std::string& sArg : args) argv.push_back(sArg.c_str());
    return RunRenderTool(static_cast<int>(argv.size()), argv.data());
}

struct Png {
    int iWidth = 0;
    int iHeight = 0;
    int iColorType = -1;
    std::vector<uint8_t> rgb;
};

Png ReadPng(const std::string& sPath) {
    Png png;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, sPath.c_str())) return png;
    png.iWidth = static_cast<int>(image.width);
    png.iHeight = static_cast<int>(image.height);
    png.iColorType = image.format == PNG_FORMAT_RGB ? PNG_COLOR_TYPE_RGB : -1;
    image.format = PNG_FORMAT_RGB;
    png.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, png.rgb.data(), 0, nullptr)) png.rgb.clear();
    return png;
}

TEST(RenderTool, RefusesBadArgumentsNamingThem) {
    const struct {
        std::vector<std::string> args;
        const char* pszNamed;
    } cases[] = {
        {{"--frobnicate", "o.png"}, "--frobnicate"},
        {{"--size", "0x10", "o.png"}, "--size"},
        {{"--size", "16385x10", "o.png"}, "--size"},
        {{"--size", "10x", "o.png"}, "--size"},
        {{"--size", "10x10x", "o.png"}, "--size"},
        {{"--center", "nan,0", "o.png"}, "--center"},
        {{"--center", "0", "o.png"}, "--center"},
        {{"--height", "inf", "o.png"}, "--height"},
        {{"--height", "1e999", "o.png"}, "--height"},
        {{"--height", "2.5x", "o.png"}, "--height"},
        {{"--iterations", "-1", "o.png"}, "--iterations"},
        {{"--iterations", "4294967296", "o.png"}, "--iterations"},
        {{"--start-level", "99999999999", "o.png"}, "--start-level"},
        {{"--rgb", "", "o.png"}, "--rgb"},
        {{"--passes", "0", "o.png"}, "--passes"},
        {{"--passes"}, "--passes"},
        {{}, "output"},
        {{"a.png", "b.png"}, "more than one output"},
    };
    for (const auto& c : cases) {
        RenderOptions options;
        std::string sError;
        std::vector<const char*> argv = {"orvanta-render"};
        for (const std::string& sArg : c.args) argv.push_back(sArg.c_str());
        EXPECT_EQ(ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), &options, &sError),
                  ParseResult::Error) << c.pszNamed;
        EXPECT_NE(sError.find(c.pszNamed), std::string::npos) << sError;
        EXPECT_EQ(sError.find('\n'), std::string::npos) << sError;
    }
}

TEST(RenderTool, NumbersParseAsStrtodAndStrtolDo) {
    RenderOptions options;
    std::string sError;
    const char* argv[] = {"orvanta-render", "--size=300x200", "--center", "-0.5,0x1p-2",
                          "--height", "1e-3", "--iterations", "077", "--rgb", "-7", "o.png"};
    ASSERT_EQ(ParseRenderOptions(11, argv, &options, &sError), ParseResult::Render) << sError;
    EXPECT_EQ(options.iWidth, 300);
    EXPECT_EQ(options.iHeight, 200);
    EXPECT_EQ(options.values.dfSetMidX, -0.5);
    EXPECT_EQ(options.values.dfSetMidY, -0.25);  // upwards positive on the command line
    EXPECT_EQ(options.values.dfSetHeight, 1e-3);
    EXPECT_EQ(options.values.ulMaxLevels, 77u);
    EXPECT_EQ(options.values.iRGB_Combo, -7);
}

TEST(RenderTool, ThePngIsTheClientAreaInRgb) {
    ScratchDir dir;
    std::string sPng = dir.Path("out.png");
    ASSERT_EQ(RunTool({"--size", "37x23", "--iterations", "40", "--color-factor", "250", sPng}), 0);
    RenderOptions options;
    options.iWidth = 37;
    options.iHeight = 23;
    options.values.ulMaxLevels = 40;
    options.values.iColorFactor = 250;
    std::vector<uint32_t> pixels = RenderHeadless(options, false).pixels;
    Png png = ReadPng(sPng);
    ASSERT_EQ(png.iWidth, 37);
    ASSERT_EQ(png.iHeight, 23);
    EXPECT_EQ(png.iColorType, PNG_COLOR_TYPE_RGB);
    ASSERT_EQ(png.rgb.size(), pixels.size() * 3);
    bool bColoured = false;
    for (size_t i = 0; i < pixels.size(); ++i) {
        EXPECT_EQ(pixels[i] >> 24, 0u) << "an RGB word whatever the limit";
        uint32_t uShown = png.rgb[i * 3] | (png.rgb[i * 3 + 1] << 8) | (png.rgb[i * 3 + 2] << 16);
        ASSERT_EQ(uShown, pixels[i]) << "pixel " << i;
        bColoured |= pixels[i] != 0;
    }
    EXPECT_TRUE(bColoured);
    EXPECT_EQ(std::filesystem::directory_iterator(dir.Path("")) == std::filesystem::directory_iterator(),
              false);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
        EXPECT_EQ(entry.path().filename(), "out.png");  // no temporary file left beside it
}

TEST(RenderTool, PaletteIndicesAreShownThroughFixedPalettes) {
    ScratchDir dir;
    const uint32_t words[] = {PALETTEINDEX(1),   PALETTEINDEX(15),      PALETTEINDEX(16), PALETTEINDEX(231),
                              PALETTEINDEX(232), PALETTEINDEX(256 + 9), RGB(1, 2, 3)};
    const uint8_t expected[][3] = {{128, 0, 0}, {255, 255, 255}, {0, 0, 0}, {255, 255, 255},
                                   {8, 8, 8},   {255, 0, 0},     {1, 2, 3}};
    std::string sError;
    ASSERT_TRUE(WritePng(dir.Path("p.png"), 7, 1, std::vector<uint32_t>(std::begin(words), std::end(words)), &sError))
        << sError;
    Png png = ReadPng(dir.Path("p.png"));
    ASSERT_EQ(png.rgb.size(), 21u);
    for (int i = 0; i < 7; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(png.rgb[i * 3 + c], expected[i][c]) << "word " << i;
}

// Pictures that compress to almost nothing and noise that does not compress
// at all (several IDAT chunks), at sizes down to a single pixel, read back
// through libpng exactly as written.
TEST(RenderTool, PngsOfAnySizeAndContentReadBackExactly) {
    ScratchDir dir;
    std::mt19937 random(7);
    const struct {
        int iWidth, iHeight;
        bool bNoise;
    } cases[] = {{1, 1, false}, {1, 1, true}, {3, 2, true}, {1, 500, true}, {997, 3, false},
                 {640, 480, true}, {640, 480, false}};
    for (const auto& c : cases) {
        std::vector<uint32_t> words(static_cast<size_t>(c.iWidth) * c.iHeight);
        for (size_t i = 0; i < words.size(); ++i)
            words[i] = c.bNoise ? random() & 0x00FFFFFF : RGB(i % 7 == 0 ? 255 : 0, (i / 640) % 256, 9);
        std::string sPath = dir.Path("p.png"), sError;
        ASSERT_TRUE(WritePng(sPath, c.iWidth, c.iHeight, words, &sError)) << sError;
        Png png = ReadPng(sPath);
        ASSERT_EQ(png.iWidth, c.iWidth);
        ASSERT_EQ(png.iHeight, c.iHeight);
        ASSERT_EQ(png.rgb.size(), words.size() * 3) << c.iWidth << "x" << c.iHeight;
        for (size_t i = 0; i < words.size(); ++i) {
            uint32_t uShown = png.rgb[i * 3] | (png.rgb[i * 3 + 1] << 8) | (png.rgb[i * 3 + 2] << 16);
            ASSERT_EQ(uShown, words[i]) << c.iWidth << "x" << c.iHeight << " pixel " << i;
        }
    }
    std::string sError;
    EXPECT_FALSE(WritePng(dir.Path("q.png"), 4, 4, std::vector<uint32_t>(15), &sError));
    EXPECT_NE(sError.find("q.png"), std::string::npos) << sError;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("q.png")));
}

TEST(RenderTool, PassesStopsAtACoarsePreview) {
    RenderOptions options;
    options.iWidth = 256;
    options.iHeight = 192;
    options.iPasses = 1;
    RenderResult result = RenderHeadless(options, false);
    EXPECT_EQ(result.iPasses, 1);
    EXPECT_EQ(result.ullPointColors, 16u);  // the sixteen blocks of the first pass
    EXPECT_EQ(result.iBeeps, 0);
    options.iPasses = 0;
    result = RenderHeadless(options, false);
    EXPECT_EQ(result.iBeeps, 1);
    EXPECT_GT(result.iPasses, 1);
}

TEST(RenderTool, AnUnwritableOutputFailsAndLeavesNothing) {
    ScratchDir dir;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunTool({"--size", "8x8", dir.Path("missing/out.png")}), 1);
    EXPECT_EQ(RunTool({"--size", "8x8", dir.Path("")}), 1);  // a folder, not a file
    std::string sStderr = testing::internal::GetCapturedStderr();
    EXPECT_NE(sStderr.find("missing/out.png"), std::string::npos) << sStderr;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("")));
}

}  // namespace
