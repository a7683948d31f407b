// The streamed PNG and orvanta-render's PNGs read back through libpng, and
// checked against zlib: bands of any heights from every compressor, the same
// bytes on any thread, the combined Adler-32, failures reported, palette
// indices shown, strips past the framebuffer's limit and bands of rows.
#include "png_deflate.h"
#include "png_writer.h"
#include "program_run.h"
#include "render_session.h"

#include <png.h>
#include <zlib.h>

#include <future>
#include <random>

namespace {

// RGB rows of noise, or of rows alike that compress to almost nothing.
Bytes Picture(int iWidth, int iHeight, bool bNoise) {
    std::mt19937 random(iWidth * 31 + iHeight);
    Bytes rgb(static_cast<size_t>(iWidth) * iHeight * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(bNoise ? random() : (i % 7) * 40 + i / (iWidth * 3) % 3);
    return rgb;
}

// The picture's bands, of these heights (the last repeated), deflated by these
// compressors in turn: on this thread, or each on a thread of its own.
std::vector<PngBand> Bands(const Bytes& rgb, int iWidth, int iHeight, std::vector<int> heights,
                           std::vector<int> deflaters, bool bOwnThreads = false) {
    std::vector<std::future<PngBand>> futures;
    size_t cbRow = static_cast<size_t>(iWidth) * 3;
    for (int y = 0, b = 0; y < iHeight; ++b) {
        int iRows = std::min(heights[std::min<size_t>(b, heights.size() - 1)], iHeight - y);
        futures.push_back(std::async(bOwnThreads ? std::launch::async : std::launch::deferred, [&, y, b, iRows] {
            return DeflateBandWith(deflaters[b % deflaters.size()], &rgb[y * cbRow], cbRow, iRows,
                                   y > 0 ? &rgb[(y - 1) * cbRow] : nullptr, y + iRows == iHeight);
        }));
        y += iRows;
    }
    std::vector<PngBand> bands;
    for (std::future<PngBand>& future : futures) bands.push_back(future.get());
    return bands;
}

// The PNG of these bands; *pbAll: whether every step of the writer succeeded.
// Writes that would take the file past cbFailAt bytes fail, and none may follow.
Bytes Png(uint32_t ulWidth, uint32_t ulHeight, const std::vector<PngBand>& bands, bool* pbAll = nullptr,
          std::vector<PngText> texts = {}, size_t cbFailAt = SIZE_MAX) {
    Bytes png;
    bool bFailed = false;
    PngStreamWriter writer([&](const void* pData, size_t cbData) {
        EXPECT_FALSE(bFailed) << "a write after a failed one";
        png.insert(png.end(), static_cast<const unsigned char*>(pData), static_cast<const unsigned char*>(pData) + cbData);
        return !(bFailed = png.size() > cbFailAt);
    }, ulWidth, ulHeight, texts);
    bool bAll = writer.Begin();
    for (const PngBand& band : bands) bAll = writer.Add(band) && bAll;
    bAll = writer.Finish() && bAll;
    if (pbAll) *pbAll = bAll;
    else EXPECT_TRUE(bAll) << ulWidth << "x" << ulHeight << " written";
    return png;
}

// libpng's reading, which checks the image data's CRCs and Adler-32: the RGB
// bytes, or libpng's message.
struct Decoded {
    int iWidth = 0, iHeight = 0;
    Bytes rgb;
    std::string sMessage;
};
Decoded Decode(const Bytes& png) {
    Decoded decoded;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        image.format = PNG_FORMAT_RGB;
        decoded.iWidth = image.width, decoded.iHeight = image.height;
        decoded.rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr)) decoded.rgb.clear();
    }
    decoded.sMessage = image.message;
    png_image_free(&image);
    return decoded;
}

std::vector<std::vector<int>> DeflaterMixes() {
    std::vector<std::vector<int>> mixes;
    for (int iDeflater = 0; iDeflater < PNG_DEFLATERS; ++iDeflater)
        if (PngDeflaterBuilt(iDeflater)) mixes.push_back({iDeflater});
    if (mixes.size() == PNG_DEFLATERS) mixes.push_back({PNG_DEFLATE_ISAL, PNG_DEFLATE_ZLIB});
    return mixes;
}

// 1xN and Nx1 in bands of one row, odd sizes and heights, bands and rows
// longer than a compressor's piece (256 KiB), noise over several IDAT chunks.
TEST(PngStream, BandsOfAnyHeightsFromEveryCompressorReadBackExactly) {
    struct Case {
        int iWidth, iHeight;
        std::vector<int> heights;
        bool bNoise;
    };
    const Case cases[] = {
        {1, 1, {1}, true},          {1, 97, {1}, true},          {97, 1, {1}, true},
        {37, 23, {1, 5, 17}, false}, {37, 23, {23}, true},       {640, 480, {480}, false},
        {640, 480, {7, 100, 1, 33}, true}, {300, 200, {64}, false}, {100000, 3, {1, 2}, true},
    };
    for (const std::vector<int>& deflaters : DeflaterMixes())
        for (const Case& c : cases) {
            Bytes rgb = Picture(c.iWidth, c.iHeight, c.bNoise);
            Decoded decoded = Decode(Png(c.iWidth, c.iHeight, Bands(rgb, c.iWidth, c.iHeight, c.heights, deflaters)));
            std::string sCase = std::to_string(c.iWidth) + "x" + std::to_string(c.iHeight) + " by " + PngDeflaterName(deflaters[0]);
            EXPECT_EQ(decoded.iWidth, c.iWidth) << sCase;
            EXPECT_EQ(decoded.iHeight, c.iHeight) << sCase;
            EXPECT_TRUE(decoded.rgb == rgb) << sCase << ": " << decoded.sMessage;
        }
}

// A thread's compressor, reset for each band, deflates it as a new one on a
// thread of its own does. So a film's frames and a poster's bands are the same files whichever
// thread made them, which --skip-existing and split films rely on.
TEST(PngStream, BandsGiveTheSameBytesOnAnyThread) {
    Bytes rgb = Picture(640, 480, false);
    for (const std::vector<int>& deflaters : DeflaterMixes()) {
        std::vector<PngBand> alone = Bands(rgb, 640, 480, {50}, deflaters), own = Bands(rgb, 640, 480, {50}, deflaters, true);
        for (size_t b = 0; b < alone.size(); ++b) {
            EXPECT_TRUE(own[b].deflated == alone[b].deflated) << PngDeflaterName(deflaters[0]) << " band " << b;
            EXPECT_EQ(own[b].ulAdler, alone[b].ulAdler) << PngDeflaterName(deflaters[0]) << " band " << b;
        }
    }
}

// Splits of bytes (all 0xFF, the largest sums, then noise) at the lengths
// where the sums wrap (5552: zlib's NMAX; 65521: the modulus), against zlib's
// checksum of the whole; past memory, against zlib's own combination.
TEST(PngStream, CombinedAdler32IsTheWholeStringsChecksum) {
    const size_t lengths[] = {0, 1, 5552, 65521, 65522, 200003};
    std::mt19937 random(3);
    for (bool bNoise : {false, true}) {
        Bytes bytes(2 * 200003, 0xFF);
        if (bNoise)
            for (unsigned char& b : bytes) b = static_cast<unsigned char>(random());
        for (size_t cbFirst : lengths)
            for (size_t cbSecond : lengths) {
                uLong ulWhole = adler32_z(1, bytes.data(), cbFirst + cbSecond);
                uint32_t ulFirst = adler32_z(1, bytes.data(), cbFirst);
                uint32_t ulSecond = adler32_z(1, bytes.data() + cbFirst, cbSecond);
                EXPECT_EQ(CombineAdler32(ulFirst, ulSecond, cbSecond), ulWhole) << cbFirst << "+" << cbSecond;
            }
    }
    for (uint64_t ullLength : {uint64_t{1} << 32 | 5, (uint64_t{1} << 62) + 12345})
        for (int i = 0; i < 4; ++i) {
            uint32_t ulFirst = random() % 65521 << 16 | random() % 65521, ulSecond = random() % 65521 << 16 | random() % 65521;
            EXPECT_EQ(CombineAdler32(ulFirst, ulSecond, ullLength),
                      adler32_combine64(ulFirst, ulSecond, static_cast<z_off64_t>(ullLength))) << ullLength;
        }
}

// A writer that stops somewhere in the file (the signature's 8 bytes, IHDR's
// 25, a text's, the middle, the last IDAT, IEND): false, and nothing written after.
TEST(PngStream, AFailedWriteOrAMisfitIsReported) {
    Bytes rgb = Picture(200, 30, true);
    std::vector<PngBand> bands = Bands(rgb, 200, 30, {10}, DeflaterMixes()[0]);
    size_t cbWhole = Png(200, 30, bands).size();
    for (size_t cbFailAt : {size_t{0}, size_t{8}, size_t{33}, cbWhole / 2, cbWhole - 12, cbWhole - 1}) {
        SCOPED_TRACE("failing at " + std::to_string(cbFailAt));
        bool bAll = true;
        Png(200, 30, bands, &bAll, {{"Title", "t"}}, cbFailAt);
        EXPECT_FALSE(bAll);
    }
    // Each would make a whole PNG but for what it gets wrong; a bad text
    // fails before anything is written.
    PngBand wide = Bands(Picture(201, 30, true), 201, 30, {30}, DeflaterMixes()[0])[0];
    PngBand last = Bands(rgb, 200, 30, {30}, DeflaterMixes()[0])[0], empty = last;
    empty.deflated.clear();
    const struct { const char* pszCase; std::vector<PngBand> added; uint32_t ulWidth = 200, ulHeight = 30; std::vector<PngText> texts; } misfits[] = {
        {"finished before the last band", {bands[0], bands[1]}}, {"a wider band", {wide}}, {"an empty band", {empty}},
        {"a band after the last", {bands[0], bands[1], bands[2], bands[2]}}, {"more rows than the height", {bands[0], last}},
        {"a last band short of the height", {last}, 200, 40}, {"no width", {}, 0, 30}, {"2^31 rows", {}, 200, 0x80000000u},
        {"an empty keyword", {}, 200, 30, {{"", "x"}}}, {"a leading space", {}, 200, 30, {{" Title", "x"}}},
        {"two spaces", {}, 200, 30, {{"A  B", "x"}}}, {"an 80-letter keyword", {}, 200, 30, {{std::string(80, 'k'), "x"}}},
        {"a tab", {}, 200, 30, {{"Tab\t", "x"}}}, {"a NUL in the text", {}, 200, 30, {{"Title", std::string("a\0b", 3)}}},
    };
    for (const auto& misfit : misfits) {
        bool bAll = true;
        Bytes png = Png(misfit.ulWidth, misfit.ulHeight, misfit.added, &bAll, misfit.texts);
        EXPECT_FALSE(bAll) << misfit.pszCase;
        EXPECT_EQ(png.size(), misfit.texts.empty() ? png.size() : 0u) << misfit.pszCase << ": bytes written";
    }
}

// Palette indices as the display shows them (the 16 VGA colours, the 6x6x6
// cube from 16, the greys from 232, an index past 255 taken modulo 256); a
// picture of two bands of one row each (a row of 600,000 bytes, over the
// writer's 1 MiB a band with the next); too few words for the size write nothing.
TEST(RenderTool, PngsOfPaletteIndicesAndManyBandsReadBackExactly) {
    ScratchDir dir;
    std::string sError, sPng = dir.Path("p.png");
    ASSERT_TRUE(WritePng(sPng, 8, 1, {PALETTEINDEX(1), PALETTEINDEX(15), PALETTEINDEX(16), PALETTEINDEX(231),
                                      PALETTEINDEX(232), PALETTEINDEX(255), PALETTEINDEX(256 + 9), RGB(1, 2, 3)}, &sError)) << sError;
    EXPECT_EQ(Decode(ScratchDir::Read(sPng)).rgb, (Bytes{128, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255,
                                                         8, 8, 8, 238, 238, 238, 255, 0, 0, 1, 2, 3})) << "8x1";
    Bytes rgb = Picture(200000, 2, true);
    std::vector<uint32_t> words;
    for (size_t i = 0; i < rgb.size(); i += 3) words.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    ASSERT_TRUE(WritePng(sPng, 200000, 2, words, &sError)) << sError;
    EXPECT_TRUE(Decode(ScratchDir::Read(sPng)).rgb == rgb) << "200000x2";
    EXPECT_FALSE(WritePng(dir.Path("q.png"), 4, 4, std::vector<uint32_t>(15), &sError)) << "15 words for 4x4";
    EXPECT_FALSE(std::filesystem::exists(dir.Path("q.png"))) << "15 words for 4x4";
}

// Past the framebuffer's limit of 16384 a side, strips come straight from
// their points, and so does a band of rows spanning the direct path's bands (of
// 21 rows at 3000 wide) unevenly: each sampled pixel (the first and last 20,
// and 380 spread between) is the colour the engine gives its point here on the
// program's thread.
TEST(RenderTool, StripsAndBandsOfRowsHoldTheirPointsColours) {
    ScratchDir dir;
    for (const auto& [iWidth, iHeight, pszHeight, iFirstRow] : {std::tuple{70000, 3, "1e-6", 0}, {3, 70000, "0.03", 0}, {3000, 60, "0.002", 30}}) {
        std::vector<std::string> args = {"--center", "-0.7436,0.1318", "--height", pszHeight, "--iterations", "700",
                                         "--rgb", "5", "--invert", "--threads", "3"};
        if (iFirstRow) args.insert(args.end(), {"--rows", std::to_string(iFirstRow) + ":" + std::to_string(iHeight)});
        const std::string sSize = std::to_string(iWidth) + "x" + std::to_string(iHeight);
        args.insert(args.end(), {"--size", sSize, dir.Path("strip.png")});
        ASSERT_EQ(Render(args), 0) << sSize;
        const Decoded png = Decode(ScratchDir::Read(dir.Path("strip.png")));
        const int cWords = iWidth * (iHeight - iFirstRow);
        ASSERT_EQ(png.rgb.size(), 3u * cWords) << sSize << ": " << png.sMessage;
        RenderOptions options;
        ASSERT_EQ(Render(args, &options), static_cast<int>(ParseResult::Render)) << sSize;
        MeasureView(options);
        for (int i = 0; i < 420; ++i) {
            int u = i < 20 ? i : i < 40 ? cWords - 1 - (i - 20) : (i - 40) * (cWords / 380);
            int x = u % iWidth, y = iFirstRow + u / iWidth;
            ASSERT_EQ(RGB(png.rgb[3 * u], png.rgb[3 * u + 1], png.rgb[3 * u + 2]), ColourAt(x, y)) << sSize << " at " << x << "," << y;
        }
    }
}

}  // namespace
