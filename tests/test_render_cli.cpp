// orvanta-render's view-file options: --view in argument order, its failures
// and their exit codes, --save-view, and a whole run that copies a view.
#include "harness.h"
#include "options.h"
#include "render_tool.h"
#include "scratch_files.h"
#include "view_io.h"
#include "view_values.h"

#include <bit>
#include <gtest/gtest.h>

namespace {

const DrawingValues kView = {-0.5, 0.25, 32, 1.5, 0.1, 3, 150, 4};

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Reset();
        sView = dir.Write("v.kqz", ViewFileBytes(kView));
    }

    ParseResult Parse(std::vector<std::string> args) {
        args.insert(args.begin(), "orvanta-render");
        std::vector<const char*> argv;
        for (const std::string& sArg : args) argv.push_back(sArg.c_str());
        sError.clear();
        options = RenderOptions();
        return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), &options, &sError);
    }

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), "orvanta-render");
        std::vector<const char*> argv;
        for (const std::string& sArg : args) argv.push_back(sArg.c_str());
        return RunRenderTool(static_cast<int>(argv.size()), argv.data());
    }

    ScratchDir dir;
    std::string sView;
    RenderOptions options;
    std::string sError;
};

TEST_F(RenderCli, ViewSetsTheDrawingValuesAtItsPlaceAmongTheOptions) {
    DrawingValues after = kView;
    after.dfSetMidX = 1.0;
    after.dfSetMidY = -2.0;  // the user's Y grows upwards
    after.dfSetHeight = 2.0;
    DrawingValues fewer = kView;
    fewer.ulMaxLevels = 7;
    struct Case {
        std::vector<std::string> args;
        DrawingValues values;
    };
    const Case cases[] = {
        {{"--view", sView, "o.png"}, kView},
        {{"--height", "2", "--center", "1,2", "--iterations", "9", "--view", sView, "o.png"}, kView},
        {{"--view", sView, "--height", "2", "--center", "1,2", "o.png"}, after},
        {{"--view=" + sView, "--iterations", "7", "o.png"}, fewer},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Parse(c.args), ParseResult::Render) << sError;
        EXPECT_EQ(ValueBits(options.values), ValueBits(c.values)) << c.args[0] << " " << c.args[1];
    }
}

TEST_F(RenderCli, OptionsOutsideTheViewFileStay) {
    ASSERT_EQ(Parse({"--invert", "--size", "32x24", "--passes", "2", "--view", sView, "o.png"}),
              ParseResult::Render);
    EXPECT_TRUE(options.bInvert);
    EXPECT_EQ(options.iWidth, 32);
    EXPECT_EQ(options.iHeight, 24);
    EXPECT_EQ(options.iPasses, 2);
}

TEST_F(RenderCli, AShortViewFileReplacesOnlyItsWholeFields) {
    Bytes bytes = ViewFileBytes(kView);
    bytes.resize(30);  // the magic, the centre's X and part of its Y
    std::string sShort = dir.Write("short.kqz", bytes);
    ASSERT_EQ(Parse({"--center", "3,4", "--height", "2", "--view", sShort, "o.png"}),
              ParseResult::Render);
    EXPECT_EQ(options.values.dfSetMidX, kView.dfSetMidX);
    EXPECT_EQ(options.values.dfSetMidY, -4.0);
    EXPECT_EQ(options.values.dfSetHeight, 2.0);
}

TEST_F(RenderCli, ViewFilesThatCannotBeLoadedAreErrorsNamingTheFile) {
    Bytes wrongMagic = ViewFileBytes(kView);
    wrongMagic[0] = 'v';
    struct Case {
        std::string sPath;
        std::string sError;
        std::string sWarning;  // the box shown, if any, as the renderer echoes it
    };
    const Case cases[] = {
        {dir.Path("missing.kqz"), "--view: cannot open view file '" + dir.Path("missing.kqz") + "'",
         ""},
        {dir.Write("bad.kqz", wrongMagic), "--view: '" + dir.Path("bad.kqz") + "' is not a view file",
         "Veldran: Invalid View File format: \n\n " + dir.Path("bad.kqz") + "\n"},
        {dir.Write("tiny.kqz", {'V', 'E', 'L'}),
         "--view: '" + dir.Path("tiny.kqz") + "' is not a view file",
         "Veldran: Incorrect View File size: \n\n " + dir.Path("tiny.kqz") + "\n"},
        {std::string(300, 'v'), "--view: view file name longer than 259 characters: '" +
                                    std::string(300, 'v') + "'",
         ""},
    };
    for (const Case& c : cases) {
        harness::ClearBoxes();
        EXPECT_EQ(Parse({"--height", "2", "--view", c.sPath, "o.png"}), ParseResult::ViewError);
        EXPECT_EQ(sError, c.sError);
        std::string sShown;
        for (const harness::ShownBox& box : harness::Boxes()) sShown += box.sCaption + ": " + box.sText + "\n";
        EXPECT_EQ(sShown, c.sWarning);
    }
}

TEST_F(RenderCli, ViewAndSaveViewNeedAValue) {
    EXPECT_EQ(Parse({"o.png", "--view"}), ParseResult::Error);
    EXPECT_EQ(sError, "--view: missing value (expected a view file)");
    EXPECT_EQ(Parse({"o.png", "--save-view"}), ParseResult::Error);
    EXPECT_EQ(sError, "--save-view: missing value (expected a file name)");
    EXPECT_EQ(Parse({"--save-view=", "o.png"}), ParseResult::Error);
    EXPECT_EQ(sError, "--save-view: expected a file name, got ''");
    ASSERT_EQ(Parse({"--save-view", "w.kqz", "o.png"}), ParseResult::Render);
    EXPECT_EQ(options.sSaveView, "w.kqz");
}

TEST_F(RenderCli, ValuesPassFromViewToSavedViewBitForBit) {
    const DrawingValues odd = {std::bit_cast<double>(0x7FF8000000012345ull), -0.0, 0xFFFFFFFF,
                               std::bit_cast<double>(1ull), -1e308, -2147483647 - 1, -1, 9};
    std::string sOdd = dir.Write("odd.kqz", ViewFileBytes(odd));
    ASSERT_EQ(Parse({"--view", sOdd, "--save-view", dir.Path("w.kqz"), "o.png"}),
              ParseResult::Render);
    ASSERT_TRUE(SaveViewFile(options.sSaveView, options.values, &sError)) << sError;
    EXPECT_EQ(ScratchDir::Read(dir.Path("w.kqz")), ScratchDir::Read(sOdd));
}

TEST_F(RenderCli, AWholeRunCopiesTheViewAndRendersIt) {
    std::string sSaved = dir.Path("w.kqz"), sPng = dir.Path("out.png");
    EXPECT_EQ(Run({"--view", sView, "--save-view", sSaved, sPng}), 0);
    EXPECT_EQ(ScratchDir::Read(sSaved), ScratchDir::Read(sView));
    EXPECT_TRUE(std::filesystem::exists(sPng));
}

TEST_F(RenderCli, ExitCodesOfFailedRuns) {
    std::string sPng = dir.Path("out.png");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Run({"--view", dir.Path("missing.kqz"), sPng}), 1);
    EXPECT_EQ(Run({"--save-view", dir.Path("no/w.kqz"), sPng}), 1);
    EXPECT_EQ(Run({"--view", sView, "--view"}), 2);
    std::string sStderr = testing::internal::GetCapturedStderr();
    EXPECT_NE(sStderr.find("'" + dir.Path("missing.kqz") + "'"), std::string::npos) << sStderr;
    EXPECT_NE(sStderr.find("cannot write view file '" + dir.Path("no/w.kqz") + "'"),
              std::string::npos) << sStderr;
    EXPECT_FALSE(std::filesystem::exists(sPng));
}

TEST_F(RenderCli, HelpNamesTheViewOptions) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"--help"}), 0);
    std::string sHelp = testing::internal::GetCapturedStdout();
    EXPECT_NE(sHelp.find("--view FILE"), std::string::npos);
    EXPECT_NE(sHelp.find("--save-view FILE"), std::string::npos);
}

}  // namespace
