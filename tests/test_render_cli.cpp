// orvanta-render's command line: its refusals naming the bad argument, numbers
// and --view in argument order, view files copied bit for bit, --passes, the
// exit codes and statistics of whole runs, films, and the progress line.
#include "program_run.h"
#include "render_session.h"
#include "render_tool.h"
#include "view_io.h"

#include <climits>
#include <iterator>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const DrawingValues kView = {-0.5, 0.25, 32, 1.5, 0.1, 3, 150, 4};

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override { harness::Reset(); }
    ParseResult Parse(const std::vector<std::string>& args) {
        sError.clear();
        options = RenderOptions();
        return static_cast<ParseResult>(Render(args, &options, &sError));
    }
    // A whole run: its exit code, and what it said on both outputs; with
    // lFailAt, that allocation of the run fails. lAllocations: how many it made.
    int Run(const std::vector<std::string>& args, std::string* psSaid, long lFailAt = 0) {
        std::vector<const char*> argv = Argv(args);
        testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
        harness::FailNthAllocation(lFailAt);
        int iExit = RunRenderTool(static_cast<int>(argv.size()), argv.data());
        lAllocations = harness::AllocationsSinceArmed();
        harness::FailNthAllocation(0);
        *psSaid = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return iExit;
    }
    ScratchDir dir;
    std::string sView = dir.Write("v.kqz", ViewFileBytes(kView));
    RenderOptions options;
    std::string sError;
    long lAllocations = 0;
};

// Refusals name the argument on one line; a view file that cannot be loaded
// is named, with the box the program would have shown.
TEST_F(RenderCli, RefusesBadArgumentsNamingThem) {
    Bytes wrongMagic = ViewFileBytes(kView);
    wrongMagic[0] = 'v';
    std::string sBad = dir.Write("bad.kqz", wrongMagic), sTiny = dir.Write("tiny.kqz", {'V', 'E', 'L'});
    std::string sMissing = dir.Path("missing.kqz"), sLong(300, 'v');
    const struct { std::vector<std::string> args; std::string sError; ParseResult result = ParseResult::Error; std::string sBox; } cases[] = {
        {{"--frobnicate", "o.png"}, "--frobnicate"},  {{"--size", "0x10", "o.png"}, "--size"},
        {{"--size", "16385x10", "--passes", "1", "o.png"}, "--size: 16385x10 is past the render loop"},
        {{"--progressive", "--size", "9x16385", "o.png"}, "each side 1..16384 with --passes or --progressive"}, {{"--size", "2147483648x1", "o.png"}, "--size"},  {{"--size", "10x10x", "o.png"}, "--size"},
        {{"--center", "nan,0", "o.png"}, "--center"}, {{"--center", "0", "o.png"}, "--center"},
        {{"--height", "inf", "o.png"}, "--height"}, {{"--height", "2.5x", "o.png"}, "--height"},
        {{"--iterations", "-1", "o.png"}, "--iterations"}, {{"--iterations", "4294967296", "o.png"}, "--iterations"},
        {{"--start-level", "99999999999", "o.png"}, "--start-level"}, {{"--rgb", "", "o.png"}, "--rgb"},
        {{"--passes", "0", "o.png"}, "--passes"}, {{"--passes"}, "--passes"},
        {{"--threads", "0", "o.png"}, "--threads"}, {{"--threads", "two", "o.png"}, "--threads"}, {{"--height", "1e999", "o.png"}, "--height"},
        {{}, "output"},                               {{"a.png", "b.png"}, "more than one output"},
        {{"o.png", "--view"}, "--view: missing value (expected a view file)"},
        {{"--save-view=", "o.png"}, "--save-view: expected a file name, got ''"},
        {{"--invert=1", "o.png"}, "--invert: takes no value, got '1'"}, {{"-x", "o.png"}, "unknown option '-x'"},
        {{"--", "-a.png", "--b.png"}, "more than one output file: '-a.png' and '--b.png'"},
        {{"--view", sMissing, "o.png"}, "--view: cannot open view file '" + sMissing + "'", ParseResult::ViewError},
        {{"--view", sBad, "o.png"}, "--view: '" + sBad + "' is not a view file", ParseResult::ViewError,
         "Veldran: Invalid View File format: \n\n " + sBad},
        {{"--view", sTiny, "o.png"}, "--view: '" + sTiny + "' is not a view file", ParseResult::ViewError,
         "Veldran: Incorrect View File size: \n\n " + sTiny},
        {{"--view", sLong, "o.png"}, "--view: view file name longer than 259 characters: '" + sLong + "'", ParseResult::ViewError},
        {{"--frames", "2", "o.png"}, "OUT 'o.png' holds no number pattern for the film's 2 frames"}, {{"--frames", "0", "o%d.png"}, "--frames"},
        {{"--frames", "2", "o%d-%03d.png"}, "OUT 'o%d-%03d.png' holds a second number pattern '%03d'"}, {{"--frames", "2", "o%ld.png"}, "at '%ld'"},
        {{"--frames", "1", "o%5.png"}, "holds '%' not beginning a number pattern, at '%5.'"}, {{"--rows", "2:1", "o.png"}, "--rows"},
        {{"--frames", "2", "-"}, "standard output (-) cannot take the film's 2 frames"}, {{"--frame-range", "3:3", "o%d.png"}, "--frame-range"},
        {{"--frame-range", "0:2", "o%d.png"}, "--frame-range: 0:2 ends past the film's 1 frame"}, {{"--zoom-per-frame", "0", "o.png"}, "--zoom-per-frame"},
        {{"--frames", "9", "--zoom-per-frame", "1e300", "o%d.png"}, "frame 2's height is inf"}, {{"--frames", "2", "--passes", "1", "o%d.png"}, "--frames: a film's"},
        {{"--frames", "2", "--rows", "0:1", "o%d.png"}, "--rows: a band of one picture"}, {{"--rows", "0:1", "--progressive", "o.png"}, "--rows: a band comes"},
        {{"--rows", "20:24", "--size", "8x23", "o.png"}, "--rows: 20:24 is past the picture's 23 rows"},
    };
    for (const auto& c : cases) {
        harness::ClearBoxes();
        EXPECT_EQ(Parse(c.args), c.result) << c.sError;
        if (c.result == ParseResult::ViewError) { EXPECT_EQ(sError, c.sError) << "the whole line"; }
        EXPECT_NE(sError.find(c.sError), std::string::npos) << sError;
        EXPECT_EQ(sError.find('\n'), std::string::npos) << sError;
        EXPECT_EQ(harness::BoxTexts(), c.sBox.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.sBox}) << c.sError;
    }
}

// Numbers parse as strtod and strtol do; the user's Y grows upwards; a view
// file sets all eight values at its place, a short one only its whole fields;
// a PNG's view the inversion too.
TEST_F(RenderCli, NumbersAndViewFilesSetTheDrawingValuesInArgumentOrder) {
    Bytes shortView = ViewFileBytes(kView);
    shortView.resize(30);  // the magic, the centre's X and part of its Y
    std::string sShort = dir.Write("short.kqz", shortView), sPng = dir.Path("v.png");
    ASSERT_EQ(Render({"--size", "2x2", "--view", sView, "--invert", sPng}), 0);
    const struct { std::vector<std::string> args; DrawingValues values; bool bInvert = false; } cases[] = {  // the other values the defaults
        {{"--center", "-0.5,0x1p-2", "--height", "1e-3", "--iterations", "077", "--rgb", "-7", "o.png"},
         {-0.5, -0.25, 77, 1e-3, 0.2, 2, 100, -7}},
        {{"--height", "2", "--center", "1,2", "--iterations", "9", "--view", sView, "o.png"}, kView},
        {{"--view", sView, "--height", "2", "--center", "1,2", "o.png"}, {1.0, -2.0, 32, 2.0, 0.1, 3, 150, 4}},
        {{"--view=" + sView, "--iterations", "7", "o.png"}, {-0.5, 0.25, 7, 1.5, 0.1, 3, 150, 4}},
        {{"--center", "3,4", "--height", "2", "--view", sShort, "o.png"}, {-0.5, -4.0, 0, 2.0, 0.2, 2, 100, 0}},
        {{"--no-invert", "--iterations", "7", "--view", sPng, "o.png"}, kView, true},
        {{"--view", sPng, "--no-invert", "--iterations", "7", "o.png"}, {-0.5, 0.25, 7, 1.5, 0.1, 3, 150, 4}, false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Parse(c.args), ParseResult::Render) << sError;
        EXPECT_EQ(ValueBits(options.values), ValueBits(c.values)) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(options.bInvert, c.bInvert) << c.args[0] << " " << c.args[1];
    }
    ASSERT_EQ(Parse({"--size", "8x8", "--invert", "--size=32x24", "--passes", "2", "--save-view", "--w", "--", "-o"}),
              ParseResult::Render);
    EXPECT_EQ(std::tuple(options.bInvert, options.iWidth, options.iHeight, options.iPasses), std::tuple(true, 32, 24, 2)) << "invert, size, passes";
    EXPECT_EQ(options.sSaveView + " " + options.sOutput, "--w -o");
    ASSERT_EQ(Parse({"--progressive", "--quiet", "--size", "16384x16384", "o.png"}), ParseResult::Render) << sError;
    EXPECT_EQ(std::tuple(options.bProgressive, options.bQuiet, options.bInvert), std::tuple(true, true, false)) << "progressive, quiet, invert";
    ASSERT_EQ(Parse({"--size", "2147483647x1", "o.png"}), ParseResult::Render) << sError;  // the largest int
    EXPECT_EQ(options.iWidth, 2147483647) << "2147483647x1";
}

// Failures print what failed and leave no picture; a whole run copies the
// view; values pass from view to saved view bit for bit; a picture straight
// from its points counts every pixel once, in no passes.
TEST_F(RenderCli, RunsEndWithTheirExitCodes) {
    RenderOptions small;
    small.iWidth = 7, small.iHeight = 5, small.values.ulMaxLevels = 50, small.values.dfSetMidY = -0.5;
    MeasureView(small);
    uint64_t ullIterations = 0;  // each of the 7 x 5 pixels' counts, one by one
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ullIterations += DriftCount(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY);
    const DrawingValues odd = {std::bit_cast<double>(0x7FF8000000012345ull), -0.0, 0xFFFFFFFF,
                               std::bit_cast<double>(1ull), -1e308, -2147483647 - 1, -1, 9};
    std::string sOdd = dir.Write("odd.kqz", ViewFileBytes(odd));
    std::string sPng = dir.Path("out.png"), sMissing = dir.Path("missing.kqz"), sUnwritable = dir.Path("no/w.kqz");
    const struct { std::vector<std::string> args; int iExit; std::string sSaid; } runs[] = {
        {{"--view", sMissing, sPng}, 1, "'" + sMissing + "'"},
        {{"--save-view", sUnwritable, sPng}, 1, "cannot write view file '" + sUnwritable + "'"},
        {{"--help"}, 0, "--view FILE"},
        {{"--version", "--frobnicate"}, 0, "orvanta-render " ORVANTA_VERSION "\n"},
        {{"--save-view", "-", "-"}, 2, "the PNG and --save-view cannot both go to standard output (-)"},
        {{"--view", sView, "--save-view", dir.Path("w.kqz"), sPng}, 0, ""},
        {{"--stats", "--size", "7x5", "--center", "0,0.5", "--iterations", "50", sPng}, 0,  // each of 35 pixels once
         "passes: 0\npoint_colors: 35\niterations: " + std::to_string(ullIterations) + "\nseconds: "},
        // One pass at the start level 2 is its 4 x 4 blocks, one point each.
        {{"--stats", "--size", "256x192", "--passes", "1", sPng}, 0, "passes: 1\npoint_colors: 16\n"},
    };
    for (const auto& run : runs) {
        std::string sSaid;
        EXPECT_EQ(Run(run.args, &sSaid), run.iExit) << run.args[0];
        EXPECT_NE(sSaid.find(run.sSaid), std::string::npos) << run.args[0] << ": " << sSaid;
        EXPECT_EQ(std::filesystem::exists(sPng), run.iExit == 0 && run.args.back() == sPng) << run.args[0];
    }
    EXPECT_EQ(ScratchDir::Read(dir.Path("w.kqz")), ScratchDir::Read(sView)) << "--save-view of --view";
    ASSERT_EQ(Parse({"--view", sOdd, "--save-view", dir.Path("odd-copy.kqz"), "o.png"}), ParseResult::Render);
    ASSERT_TRUE(SaveViewFile(options.sSaveView, options.values, &sError)) << sError;
    EXPECT_EQ(ScratchDir::Read(dir.Path("odd-copy.kqz")), ScratchDir::Read(sOdd)) << "NaN, -0.0 and the extremes";
}

void SetEnvironment(const char* psName, const char* psValue) {
#ifdef _WIN32
    _putenv_s(psName, psValue ? psValue : "");
#else
    psValue ? setenv(psName, psValue, 1) : unsetenv(psName);
#endif
}

// --threads wins over ORVANTA_THREADS, which wins over the processors the
// system reports online; a variable that is no count is refused like a bad option.
TEST_F(RenderCli, ThreadsComeFromTheOptionTheEnvironmentOrTheHardware) {
#ifdef _WIN32
    const char* pszProcessors = std::getenv("NUMBER_OF_PROCESSORS");
    const int iOnline = pszProcessors ? std::atoi(pszProcessors) : 0;
#else
    const int iOnline = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
#endif
    const struct { const char* pszVariable; std::vector<std::string> args; int iThreads; } cases[] = {  // 0: refused
        {"3", {"o.png"}, 3}, {"3", {"--threads", "2", "o.png"}, 2}, {"0", {"o.png"}, 0}, {nullptr, {"o.png"}, iOnline}};
    for (const auto& c : cases) {
        if (!c.pszVariable && iOnline < 1) continue;  // no count to expect
        SetEnvironment("ORVANTA_THREADS", c.pszVariable);
        EXPECT_EQ(Parse(c.args), c.iThreads ? ParseResult::Render : ParseResult::Error) << c.iThreads;
        if (c.iThreads) EXPECT_EQ(options.iThreads, c.iThreads) << (c.pszVariable ? c.pszVariable : "unset");
        else EXPECT_EQ(sError, "ORVANTA_THREADS: expected a whole number 1..1024");
    }
    SetEnvironment("ORVANTA_THREADS", nullptr);
    if (iOnline < 1) GTEST_SKIP() << "the system does not say how many processors are online";
}

// The progress line: percent rounded down and held to 0..100, the time so far
// and an estimate of what is left (so far x (1 - done) / done: 30 s at a
// quarter leaves 90 s), or the whole time once done.
TEST(RenderProgress, SaysHowFarHowLongAndHowMuchIsLeft) {
    const struct { double dfFraction, dfSeconds; std::string sText; } cases[] = {
        {0.0, 1.9, "  0.0%  rows 3/8  0:01 so far"},
        {-0.5, 0.0, "  0.0%  rows 3/8  0:00 so far"},
        {0.25, 30.0, " 25.0%  rows 3/8  0:30 so far, 1:30 left"},
        {0.99999, 3725.0, " 99.9%  rows 3/8  1:02:05 so far, 0:00 left"},
        {1.5, 62.0, "100.0%  rows 3/8  1:02 in all"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgressText(c.dfFraction, "rows 3/8", c.dfSeconds), c.sText);
}

#ifndef _WIN32
// Each kind of name an output may be, made by the shell around a real run of
// the program ($R), and what is in the folder afterwards, as "name:kind"
// (no temporaries). As root, the runs that need an unprivileged user ($N:
// permissions, the process limit) are nobody's. A row whose making fails
// cannot run here and is skipped: a sanitizer's own threads and reservations
// do not fit the limits.
TEST(RenderSession, OutputsLandWhereTheyAreNamedAndLimitsEndRunsCleanly) {
    const struct { std::string sMake, sRun; int iExit; std::string sSaid, sAfter; } rows[] = {
        {"", "$R out.png", 0, "", "out.png:png"},          {"echo old >out.png", "$R out.png", 0, "", "out.png:png"},
        {"echo old >t.png; ln -s t.png out.png", "$R out.png", 0, "", "out.png:link t.png:png"},
        {"mkfifo out.png; timeout 20 cat out.png >got &", "$R out.png", 0, "", "got:png out.png:pipe"},
        {"mknod null c 1 3", "$R null", 0, "", "null:device"}, {"", "$R - | cat >got", 0, "", "got:png"},
        {"mknod full c 1 7", "$R full", 1, "cannot write 'full': No space left on device", "full:device"},
        {"which script", "script -qec \"$R - 2>../said\" /dev/null", 2, "standard output (-) is a terminal", ""},
        {"mkdir -m 555 ro", "$N $R ro/out.png", 1, "cannot write 'ro/out.png': Permission denied", "ro:folder"},
        {"", "$R no/out.png", 1, "cannot write 'no/out.png': No such file or directory", ""},
        {"mkdir d", "$R d", 1, "cannot write 'd': Is a directory", "d:folder"},
        {"mkdir s && mount -t tmpfs -o size=8k tmpfs s && head -c 8192 /dev/zero >s/f", "$R s/out.png", 1,
         "cannot write 's/out.png': No space left on device", "s:folder s/f:file"},
        {"unsanitized && $R --threads 1 one.png",
         "$N prlimit --nproc=1:1 $R --threads 4 out.png && cmp one.png out.png && rm one.png", 0,
         "orvanta-render: only 1 of 4 counting threads could be started; counting with those\n", "out.png:png"},
        {"unsanitized", "prlimit --as=400000000 $R --size 12000x12000 --progressive out.png", 1,
         "orvanta-render: not enough memory for a 12000x12000 picture\n", ""},
        // A film killed once two frames are there leaves whole frames only, and
        // --skip-existing finishes it as one run made it, keeping those; GNU
        // parallel running it in two ranges makes the same frames.
        {"$F r%d.png", "exec >&2; $F f%d.png & until [ -e f1.png ] || ! kill -0 $!; do sleep 0.01; done; kill $!; wait $!;"
         " ls | grep part; [ -e f5.png ] && echo all six; touch -d @0 f0.png; $F --skip-existing f%d.png;"
         " [ $(stat -c %Y f0.png) = 0 ] || echo f0 redone; for k in 0 1 2 3 4 5; do cmp r$k.png f$k.png; done; rm r*", 0, "",
         "f0.png:png f1.png:png f2.png:png f3.png:png f4.png:png f5.png:png"},
        // Killed at any moment, a film of tiny frames (mostly opening and renaming
        // its files) leaves no temporary.
        {"", "exec >&2; for i in $(seq 40); do $R --size 1x1 --frames 100000 k%d.png & sleep 0.0$((RANDOM % 9 + 1));"
         " kill $!; wait $!; rm -f k*.png; done; ls", 0, "", ""},
        // A picture rendered again from its PNG's view is the same file, whatever
        // came before --view, also when the render loop drew it; without a view it is refused.
        {"$R --center -0.5,0.25 --height 1.5 --iterations 32 --rgb 4 --start-level 3 --color-factor 150 --invert a.png",
         "exec >&2; $R --height 9 --view a.png b.png; cmp a.png b.png; for loop in --progressive --passes=2; do"
         " $R --view a.png $loop c.png; $R --view c.png b.png; cmp a.png b.png; done; rm b.png c.png", 0, "", "a.png:png"},
        {"$R --no-metadata c.png", "$R --view c.png d.png", 1, "orvanta-render: --view: 'c.png' holds no Orvanta view\n", "c.png:png"},
        {"which parallel && $F r%d.png", "exec >&2; parallel $F --frame-range {} p%d.png ::: 0:2 2:6;"
         " for k in 0 1 2 3 4 5; do cmp r$k.png p$k.png; done; rm r*", 0, "",
         "p0.png:png p1.png:png p2.png:png p3.png:png p4.png:png p5.png:png"},
        // A 5-frame film made in one run, in two ranges (one with %% and %i in its
        // pattern), and frame by frame at each frame's height (frame 0's times 0.7
        // per frame, as %.17g): the same files, views included.
        {"", "exec >&2; V='--size 40x24 --center -0.7436,0.1318 --iterations 400 --height 0.02 --zoom-per-frame 0.7';"
         " $R $V --frames 5 one%02d.png; $R $V --frames 5 --frame-range 3:5 --threads 1 t%%%03i.png; $R $V --frame-range 0:3 --frames 5 t%%%03i.png;"
         " for k in 0 1 2 3 4; do $R $V --height $(awk -v k=$k 'BEGIN { h = 0.02; while (k--) h *= 0.7; printf \"%.17g\", h }') s$k.png;"
         " cmp s$k.png one0$k.png; cmp s$k.png t%00$k.png; done; rm *", 0, "", ""},
    };
    const std::string sShell =
        "kind() { if [ -L $1 ]; then echo link; elif [ -p $1 ]; then echo pipe; elif [ -c $1 ]; then echo device;"
        " elif [ -d $1 ]; then echo folder; elif head -c 4 $1 | grep -q PNG; then echo png; else echo file; fi; }\n"
        "unsanitized() { ! ldd " ORVANTA_RENDER_PROGRAM " | grep 'lib[at]san' >/dev/null; }\n"
        "R='" ORVANTA_RENDER_PROGRAM " --size 64x48'; [ $(id -u) = 0 ] && N='setpriv --reuid=nobody --regid=nogroup --clear-groups'\n"
        "F=\"$R --size 900x600 --center -0.7436,0.1318 --height 0.001 --iterations 3000 --frames 6 --threads 1\"\n"
        "cd w && { eval \"$ROW_MAKE\"; } >/dev/null 2>&1 || exit 99\n"
        "{ eval \"$ROW_RUN\"; } 2>../said; echo $? >../exit; wait\n"
        "for f in * */*; do [ -e $f ] || [ -L $f ] && printf '%s:%s ' $f $(kind $f); done >../after\n"
        "mountpoint -q s && umount s; exit 0\n";
    std::string sNotRun;
    for (const auto& row : rows) {
        ScratchDir dir;
        std::filesystem::create_directory(dir.Path("w"));
        std::filesystem::permissions(dir.Path("w"), std::filesystem::perms::all);
        dir.Write("run.sh", Bytes(sShell.begin(), sShell.end()));
        setenv("ROW_MAKE", row.sMake.c_str(), 1), setenv("ROW_RUN", row.sRun.c_str(), 1);
        if (WEXITSTATUS(std::system(("cd " + dir.Path("") + " && bash -o pipefail run.sh").c_str())) == 99) {
            sNotRun += "\n'" + row.sMake + "' failed, so not: " + row.sRun;
            continue;
        }
        auto text = [&](const char* pszName) { Bytes b = ScratchDir::Read(dir.Path(pszName)); return std::string(b.begin(), b.end()); };
        std::string sSaid = text("said"), sAfter = text("after");
        EXPECT_EQ(std::atoi(text("exit").c_str()), row.iExit) << row.sRun << ": " << sSaid;
        if (row.sSaid.empty()) EXPECT_EQ(sSaid, "") << row.sRun;
        else EXPECT_NE(sSaid.find(row.sSaid), std::string::npos) << row.sRun << ": " << sSaid;
        EXPECT_EQ(sAfter, row.sAfter.empty() ? "" : row.sAfter + " ") << row.sRun;
    }
    if (!sNotRun.empty()) GTEST_SKIP() << "rows that cannot run here:" << sNotRun;
}
#endif

// Memory that runs out at any one allocation of a run ends it with exit 1, a
// line that says so and no file; or the run does without it and writes the
// same picture.
TEST_F(RenderCli, MemoryRunningOutAnywhereEndsTheRunCleanly) {
    std::string sWhole = dir.Path("whole.png"), sPng = dir.Path("out.png"), sSaid;
    auto args = [](const std::string& sOut) {
        return std::vector<std::string>{"--size", "16x12", "--threads", "2", "--save-view", sOut + ".kqz", sOut};
    };
    ASSERT_EQ(Run(args(sWhole), &sSaid), 0) << sSaid;
    for (long lNth = 1, lMade = lAllocations; lNth <= lMade; ++lNth) {
        int iExit = Run(args(sPng), &sSaid, lNth);
        if (iExit == 0) EXPECT_EQ(ScratchDir::Read(sPng), ScratchDir::Read(sWhole)) << "allocation " << lNth << " done without";
        else EXPECT_EQ(sSaid.substr(0, 33), "orvanta-render: not enough memory") << "allocation " << lNth;
        EXPECT_EQ(std::filesystem::exists(sPng), iExit == 0) << "allocation " << lNth << ", exit " << iExit;
        EXPECT_LE(iExit, 1) << "allocation " << lNth;
        std::filesystem::remove(sPng), std::filesystem::remove(sPng + ".kqz");
        // v.kqz, whole.png and whole.png.kqz: no temporary
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 3) << "allocation " << lNth;
    }
}

// The program's values for a client of any size, measured in a window that
// keeps no pixels: a framebuffer of these would not fit in memory. The height
// threshold is 8 x height / width, truncated (and held to an int); the
// iteration limit the true-colour display's default, 1024.
TEST(RenderSession, AnySizeIsMeasuredWithoutAFramebuffer) {
    for (const auto& [iWidth, iHeight, iThreshold] : {std::tuple{40000, 30000, 6}, {3, 2000000000, INT_MAX},
                                                      {2147483647, 2147483647, 8}, {2147483647, 1, 0}}) {
        RenderOptions options;
        options.iWidth = iWidth, options.iHeight = iHeight, options.values.dfSetHeight = 2.5;
        MeasureView(options);
        const std::string sSize = std::to_string(iWidth) + "x" + std::to_string(iHeight);
        EXPECT_EQ(iMaxX, iWidth) << sSize;
        EXPECT_EQ(iMaxY, iHeight) << sSize;
        EXPECT_EQ(yThreshold, iThreshold) << sSize;
        EXPECT_EQ(ulMaxLevels, 1024u) << sSize;
        EXPECT_EQ(dfSetWidth, 2.5 * (static_cast<double>(iWidth) / iHeight)) << sSize;
    }
}

// At 2+ threads every point the render loop colours was counted ahead by its
// plan: a plan that strays from Cover's walk shows as points counted again.
TEST(RenderSession, EveryPointIsCountedAheadByThePlan) {
    for (auto [iWidth, iHeight, dfMidX, dfHeight, iThreads] : {std::tuple{160, 120, 0.0, 4.0, 2}, {97, 5, -0.7436, 0.002, 3}, {3, 200, -1.25, 0.1, 8}}) {
        RenderOptions options;
        options.iWidth = iWidth, options.iHeight = iHeight, options.iThreads = iThreads;
        options.values.dfSetMidX = dfMidX, options.values.dfSetHeight = dfHeight;
        RenderResult result = RenderHeadless(options);
        EXPECT_EQ(result.ullRecountedPoints, 0u) << iWidth << "x" << iHeight;
        EXPECT_EQ(result.ullPlannedPoints, result.ullPointColors) << iWidth << "x" << iHeight;
    }
}

}  // namespace
