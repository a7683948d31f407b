// The streamed PNG read back through libpng, and checked against zlib: bands
// of any heights from every compressor, the same bytes on any thread, the
// combined Adler-32, the chunks' order and size, and failures reported.
#include "png_deflate.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <future>
#include <random>

namespace {

using Bytes = std::vector<unsigned char>;

// RGB rows of noise, or of rows alike that compress to almost nothing.
Bytes Picture(int iWidth, int iHeight, bool bNoise) {
    std::mt19937 random(iWidth * 31 + iHeight);
    Bytes rgb(static_cast<size_t>(iWidth) * iHeight * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<unsigned char>(bNoise ? random() : (i % 7) * 40 + i / (iWidth * 3) % 3);
    return rgb;
}

PngWrite Collect(Bytes& png) {
    return [&png](const void* pData, size_t cbData) {
        png.insert(png.end(), static_cast<const unsigned char*>(pData), static_cast<const unsigned char*>(pData) + cbData);
        return true;
    };
}

// The picture's bands, of these heights (the last repeated), deflated by these
// compressors in turn.
std::vector<PngBand> Bands(const Bytes& rgb, int iWidth, int iHeight, std::vector<int> heights,
                           std::vector<int> deflaters) {
    std::vector<PngBand> bands;
    size_t cbRow = static_cast<size_t>(iWidth) * 3;
    for (int y = 0, b = 0; y < iHeight; ++b) {
        int iRows = std::min(heights[std::min<size_t>(b, heights.size() - 1)], iHeight - y);
        bands.push_back(DeflateBandWith(deflaters[b % deflaters.size()], &rgb[y * cbRow], cbRow, iRows,
                                        y > 0 ? &rgb[(y - 1) * cbRow] : nullptr, y + iRows == iHeight));
        y += iRows;
    }
    return bands;
}

Bytes Png(int iWidth, int iHeight, const std::vector<PngBand>& bands, std::vector<PngText> texts = {}) {
    Bytes png;
    PngStreamWriter writer(Collect(png), iWidth, iHeight, texts);
    EXPECT_TRUE(writer.Begin());
    for (const PngBand& band : bands) EXPECT_TRUE(writer.Add(band));
    EXPECT_TRUE(writer.Finish());
    return png;
}

// libpng's reading: the RGB bytes, or libpng's message.
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
// longer than a compressor's piece, noise over several IDAT chunks.
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
            EXPECT_EQ(std::pair(decoded.iWidth, decoded.iHeight), std::pair(c.iWidth, c.iHeight));
            EXPECT_TRUE(decoded.rgb == rgb) << c.iWidth << "x" << c.iHeight << " by " << PngDeflaterName(deflaters[0])
                                            << ": " << decoded.sMessage;
        }
}

TEST(PngStream, BandsGiveTheSameBytesOnAnyThread) {
    Bytes rgb = Picture(640, 480, false);
    for (const std::vector<int>& deflaters : DeflaterMixes()) {
        if (deflaters.size() > 1) continue;  // the same as the compressors alone
        std::vector<PngBand> alone = Bands(rgb, 640, 480, {50}, deflaters);
        std::vector<std::future<PngBand>> futures;
        for (int y = 0; y < 480; y += 50)
            futures.push_back(std::async(std::launch::async, [&, y] {
                return DeflateBandWith(deflaters[0], &rgb[y * 1920], 1920, std::min(50, 480 - y),
                                       y > 0 ? &rgb[(y - 1) * 1920] : nullptr, y + 50 >= 480);
            }));
        for (size_t b = 0; b < futures.size(); ++b) {
            PngBand band = futures[b].get();
            EXPECT_TRUE(band.deflated == alone[b].deflated && band.ulAdler == alone[b].ulAdler) << b;
        }
    }
}

// Splits of bytes (all 0xFF, the largest sums, then noise) at the lengths
// where the sums wrap, against zlib's checksum of the whole; past memory,
// against zlib's own combination.
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
                      adler32_combine64(ulFirst, ulSecond, static_cast<z_off64_t>(ullLength)));
        }
}

// A wrong band checksum makes a wrong stream checksum: libpng checks it and
// the chunks' CRCs, so its reading the pictures above proves them right.
TEST(PngStream, AWrongChecksumOrByteIsCaught) {
    Bytes rgb = Picture(64, 40, true);
    std::vector<PngBand> bands = Bands(rgb, 64, 40, {16}, DeflaterMixes()[0]);
    ASSERT_TRUE(Decode(Png(64, 40, bands)).rgb == rgb);
    bands[1].ulAdler ^= 1;
    Decoded decoded = Decode(Png(64, 40, bands));
    EXPECT_TRUE(decoded.rgb.empty() && decoded.sMessage == "IDAT: incorrect data check") << decoded.sMessage;
    bands[1].ulAdler ^= 1;
    Bytes png = Png(64, 40, bands);
    png[png.size() - 13] ^= 0x10;  // the last IDAT chunk's CRC
    decoded = Decode(png);
    EXPECT_TRUE(decoded.rgb.empty() && decoded.sMessage == "IDAT: CRC error") << decoded.sMessage;
}

// Signature, IHDR, the texts in order, IDAT chunks of at most 256 KiB and
// IEND, each with its CRC.
TEST(PngStream, ChunksComeInOrderWithinTheirSize) {
    const std::vector<PngText> texts = {{"Title", "Seahorse"}, {"Software", ""}, {"Comment", "a\nb \xE9"}};
    Bytes rgb = Picture(800, 600, true);
    Bytes png = Png(800, 600, Bands(rgb, 800, 600, {100}, DeflaterMixes()[0]), texts);
    ASSERT_TRUE(Bytes(png.begin(), png.begin() + 8) == Bytes({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    std::string sTypes;
    size_t cbLargest = 0;
    for (size_t at = 8; at + 12 <= png.size();) {
        size_t cbData = png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        ASSERT_LE(at + 12 + cbData, png.size());
        std::string sType(png.begin() + at + 4, png.begin() + at + 8);
        uLong ulCrc = crc32_z(0, &png[at + 4], cbData + 4);
        EXPECT_EQ(ulCrc, uLong(png[at + 8 + cbData]) << 24 | png[at + 9 + cbData] << 16 | png[at + 10 + cbData] << 8 | png[at + 11 + cbData]);
        if (sType == "tEXt") {
            const PngText& text = texts[sTypes.size() - 1];
            EXPECT_EQ(std::string(png.begin() + at + 8, png.begin() + at + 8 + cbData), text.sKeyword + '\0' + text.sText);
        }
        if (sType == "IDAT") cbLargest = std::max(cbLargest, cbData);
        sTypes += sType == "IDAT" && sTypes.back() == 'D' ? "" : sType.substr(1, 1);
        at += 12 + cbData;
    }
    EXPECT_EQ(sTypes, "HEEEDE");  // IHDR, 3 tEXt, IDATs, IEND
    EXPECT_EQ(cbLargest, size_t{1} << 18);
}

// A writer that stops somewhere in the file, a band that does not fit, a
// text that PNG does not allow: false, and nothing written after.
TEST(PngStream, AFailedWriteOrAMisfitIsReported) {
    Bytes rgb = Picture(200, 30, true);
    std::vector<PngBand> bands = Bands(rgb, 200, 30, {10}, DeflaterMixes()[0]);
    size_t cbWhole = Png(200, 30, bands).size();
    for (size_t cbFailAt : {size_t{0}, size_t{8}, size_t{33}, cbWhole / 2, cbWhole - 12, cbWhole - 1}) {
        size_t cbWritten = 0, iCallsAfter = 0;
        PngStreamWriter writer([&](const void*, size_t cbData) {
            iCallsAfter += cbWritten > cbFailAt;
            cbWritten += cbData;
            return cbWritten <= cbFailAt;
        }, 200, 30, {{"Title", "t"}});
        bool bAll = writer.Begin();
        for (const PngBand& band : bands) bAll = writer.Add(band) && bAll;
        EXPECT_FALSE(writer.Finish() && bAll) << cbFailAt;
        EXPECT_EQ(iCallsAfter, 0u) << cbFailAt;
    }
    // Each would make a whole PNG but for what it gets wrong.
    PngBand wide = Bands(Picture(201, 30, true), 201, 30, {30}, DeflaterMixes()[0])[0];
    PngBand last = Bands(rgb, 200, 30, {30}, DeflaterMixes()[0])[0], empty = last;
    empty.deflated.clear();
    struct Misfit {
        std::vector<const PngBand*> added;
        uint32_t ulWidth = 200, ulHeight = 30;
        std::vector<PngText> texts;
    };
    const Misfit misfits[] = {
        {{&bands[0], &bands[1]}},                    // Finish before the last band
        {{&wide}}, {{&empty}}, {{&bands[0], &bands[1], &bands[2], &bands[2]}},
        {{&bands[0], &last}},                        // more rows than the height
        {{&last}, 200, 40},                          // a last band short of the height
        {{}, 0, 30}, {{}, 200, 0x80000000u},
        {{}, 200, 30, {{"", "x"}}}, {{}, 200, 30, {{" Title", "x"}}}, {{}, 200, 30, {{"A  B", "x"}}},
        {{}, 200, 30, {{std::string(80, 'k'), "x"}}}, {{}, 200, 30, {{"Tab\t", "x"}}},
        {{}, 200, 30, {{"Title", std::string("a\0b", 3)}}},
    };
    for (const Misfit& misfit : misfits) {
        Bytes png;
        PngStreamWriter writer(Collect(png), misfit.ulWidth, misfit.ulHeight, misfit.texts);
        bool bAll = writer.Begin();
        for (const PngBand* pBand : misfit.added) bAll = writer.Add(*pBand) && bAll;
        EXPECT_FALSE(writer.Finish() && bAll) << &misfit - misfits;
        if (!misfit.texts.empty()) {
            EXPECT_TRUE(png.empty()) << &misfit - misfits;
        }
    }
}

}  // namespace
