// The view a PNG carries: its text read back bit for bit, and hostile texts
// and damaged PNGs refused cleanly over byte arrays.
#include "png_view.h"
#include "program_run.h"

#include <random>

namespace {

const std::string kText = "center-x=-0.5\ncenter-y=0.25\niterations=32\nheight=1.5\npan-step=0.2\n"
                          "start-level=3\ncolor-factor=150\nrgb=4\ninvert=1\n";
const PngView kView = {{-0.5, -0.25, 32, 1.5, 0.2, 3, 150, 4}, true};

std::string Replaced(std::string sText, const std::string& sOld, const std::string& sNew) {
    return sText.replace(sText.find(sOld), sOld.size(), sNew);
}

// A chunk with its big-endian length and a CRC computed bit by bit; a PNG of chunks.
Bytes Chunk(const std::string& sType, const std::string& sData, uint32_t ulLength = 0) {
    std::string sTyped = sType + sData, sLength, sCrc;
    uint32_t ulCrc = ~0u;
    for (unsigned char ch : sTyped)
        for (int k = 0; k < 8; ++k) ulCrc = (ulCrc >> 1) ^ (0xEDB88320u & (0u - ((ulCrc ^ (ch >> k)) & 1)));
    for (int iShift = 24; iShift >= 0; iShift -= 8)
        sLength += static_cast<char>((ulLength ? ulLength : sData.size()) >> iShift), sCrc += static_cast<char>(~ulCrc >> iShift);
    std::string sChunk = sLength + sTyped + sCrc;
    return Bytes(sChunk.begin(), sChunk.end());
}
Bytes ViewChunk(const std::string& sText) { return Chunk("tEXt", std::string("Orvanta view\0", 13) + sText); }
Bytes Png(const std::vector<Bytes>& chunks) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes& chunk : chunks) png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

TEST(PngView, TheTextIsDocumentedAndReadsBackBitForBit) {
    std::string sText, sError;
    ASSERT_TRUE(FormatViewText(kView, &sText));
    EXPECT_EQ(sText, Replaced(kText, "0.2\n", "0.20000000000000001\n"));
    std::mt19937_64 random(22);
    auto finite = [&random](double dfEdge) {
        for (double df = dfEdge;; df = std::bit_cast<double>(random()))
            if (std::isfinite(df)) return df;
    };
    const double kEdges[] = {-0.0, 4.9406564584124654e-324, -1.7976931348623157e308, 0.1};
    for (int i = 0; i < 3000; ++i) {
        PngView view = {{finite(NAN), finite(i < 4 ? kEdges[i] : NAN), static_cast<ULONG>(random()), finite(NAN), finite(NAN),
                         static_cast<int>(random()), static_cast<int>(random()), static_cast<int>(random())}, i % 2 == 0}, back;
        ASSERT_TRUE(FormatViewText(view, &sText)) << "view " << i;
        ASSERT_TRUE(ParseViewText(sText, &back, &sError)) << sError << "\n" << sText;
        ASSERT_EQ(ValueBits(back.values), ValueBits(view.values)) << sText;
        ASSERT_EQ(back.bInvert, view.bInvert) << sText;
    }
    PngView nan = kView;
    nan.values.dfSetHeight = NAN;
    EXPECT_FALSE(FormatViewText(nan, &sText)) << "a NaN height";
    EXPECT_EQ(PngTexts(nan, true).size(), 1u) << "a NaN height: the software's name alone";
}

// "" for a text that reads as kView; else the reason it is refused.
TEST(PngView, HostileTextsAreRefusedSayingWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {kText, ""}, {kText.substr(0, kText.size() - 1), ""}, {"invert=1\n" + Replaced(kText, "invert=1\n", ""), ""},
        {kText + std::string(1024 - kText.size() + 1, '\n'), "longer than 1024 bytes"}, {"", "no key 'center-x'"},
        {Replaced(kText, "height=1.5\n", ""), "no key 'height'"}, {kText + "rgb=4", "key 'rgb' given twice"},
        {kText + "zoom=2", "unknown key 'zoom'"}, {kText + "\n", "line '' is no key=value pair"},
        {" " + kText, "unknown key ' center-x'"}, {Replaced(kText, "\n", "\r\n"), "center-x: expected a finite number, got '-0.5?'"},
        {Replaced(kText, "1.5", "abc"), "height: expected a finite number, got 'abc'"}, {Replaced(kText, "1.5", ""), "got ''"},
        {Replaced(kText, "1.5", "1.5x"), "got '1.5x'"}, {Replaced(kText, "1.5", "+1.5"), "got '+1.5'"},
        {Replaced(kText, "1.5", "0x1p3"), "got '0x1p3'"}, {Replaced(kText, "1.5", "nan"), "got 'nan'"},
        {Replaced(kText, "1.5", "1e999"), "got '1e999'"}, {Replaced(kText, "=32", "=3.0"), "got '3.0'"},
        {Replaced(kText, "=32", "=-1"), "iterations: expected a whole number 0..4294967295, got '-1'"},
        {Replaced(kText, "=32", "=4294967296"), "got '4294967296'"}, {Replaced(kText, "=32", "=99999999999999999999"), "got '9999"},
        {Replaced(kText, "=3\n", "=2147483648\n"), "start-level: expected a whole number -2147483648..2147483647"},
        {Replaced(kText, "invert=1", "invert=2"), "invert: expected a whole number 0..1, got '2'"},
    };
    for (const auto& [sText, sReason] : cases) {
        PngView view = {{1, 2, 3, 4, 5, 6, 7, 8}}, before = view;
        std::string sError;
        EXPECT_EQ(ParseViewText(sText, &view, &sError), sReason.empty()) << sText;
        EXPECT_NE(sError.find(sReason), std::string::npos) << sError;
        EXPECT_EQ(ValueBits(view.values), ValueBits((sReason.empty() ? kView : before).values)) << sText;
    }
}

TEST(PngView, DamagedPngsAreRefusedAndOtherChunksPassed) {
    const Bytes header = Chunk("IHDR", std::string(13, '\1')), idat = Chunk("IDAT", "pixels"), end = Chunk("IEND", "");
    Bytes badCrc = ViewChunk(kText);
    badCrc[30] ^= 1;
    const std::pair<Bytes, std::string> cases[] = {
        {Png({header, ViewChunk(kText), idat, end}), ""},
        {Png({header, Chunk("zTXt", std::string(300000, 'z')), Chunk("tEXt", std::string("Comment\0x", 9)), ViewChunk(kText), idat}), ""},
        {Png({header, idat, ViewChunk(kText), end}), "holds no Orvanta view"},
        {Png({header, Chunk("tEXt", std::string("orvanta view\0", 13) + kText), end}), "holds no Orvanta view"},
        {Png({header, ViewChunk(kText), ViewChunk(kText), idat}), "holds two Orvanta views"},
        {Png({ViewChunk(kText + std::string(2000, 'x')), idat}), "holds a bad Orvanta view: longer than 1024 bytes"},
        {Png({ViewChunk(Replaced(kText, "1.5", "nan")), idat}), "holds a bad Orvanta view: height: expected"},
        {Png({header, badCrc, idat}), "is a damaged PNG: bad CRC in a tEXt chunk"},
        {Png({header, Chunk("tEXt", "", 0xFFFFFFFF), idat}), "a tEXt chunk's length is 4294967295"},
        {Png({header, Chunk("tEXt", "", 0x7FFFFFFF), idat}), "it ends inside a tEXt chunk"},
        {Png({header, Chunk("tE1t", ""), idat}), "a chunk type is not four letters"},
        {Png({header, ViewChunk(kText)}), "it ends before the image data"}, {Bytes{'G', 'I', 'F'}, "is not a PNG"},
    };
    for (const auto& [png, sReason] : cases) {
        PngView view;
        std::string sError;
        EXPECT_EQ(ReadPngView(png.data(), png.size(), &view, &sError), sReason.empty()) << sReason;
        EXPECT_NE(sError.find(sReason), std::string::npos) << sError;
        EXPECT_EQ(view.bInvert, sReason.empty()) << sReason << ": the view's invert=1 taken";
    }
    const Bytes png = cases[0].first;  // cut anywhere before the image data's type, it is refused
    PngView view;
    std::string sError;
    for (size_t cb = 0, cbWhole = png.size() - idat.size() - end.size() + 8; cb <= png.size(); ++cb)
        EXPECT_EQ(ReadPngView(png.data(), cb, &view, &sError), cb >= cbWhole) << cb << " " << sError;
}

}  // namespace
