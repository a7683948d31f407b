// orvanta-render's command line: its refusals naming the bad argument, numbers
// and --view in argument order, view files copied bit for bit, --passes, the
// exit codes and statistics of whole runs, and the progress line.
#include "program_run.h"
#include "render_session.h"
#include "render_tool.h"
#include "view_io.h"

#include <climits>
#include <fcntl.h>
#include <iterator>
#include <sstream>
#include <thread>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

const DrawingValues kView = {-0.5, 0.25, 32, 1.5, 0.1, 3, 150, 4};

class RenderCli : public ::testing::Test {
protected:
    void SetUp() override { harness::Reset(); }
    ParseResult Parse(const std::vector<std::string>& args) {
        std::vector<const char*> argv = {"orvanta-render"};
        for (const std::string& sArg : args) argv.push_back(sArg.c_str());
        sError.clear();
        options = RenderOptions();
        return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), &options, &sError);
    }
    ScratchDir dir;
    std::string sView = dir.Write("v.kqz", ViewFileBytes(kView));
    RenderOptions options;
    std::string sError;
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
        EXPECT_TRUE(c.result != ParseResult::ViewError || sError == c.sError) << sError;
        EXPECT_NE(sError.find(c.sError), std::string::npos) << sError;
        EXPECT_EQ(sError.find('\n'), std::string::npos) << sError;
        std::string sShown;
        for (const harness::ShownBox& box : harness::Boxes()) sShown += box.sCaption + ": " + box.sText;
        EXPECT_EQ(sShown, c.sBox);
    }
}

// Numbers parse as strtod and strtol do; the user's Y grows upwards; a view
// file sets all eight values at its place, a short one only its whole fields.
TEST_F(RenderCli, NumbersAndViewFilesSetTheDrawingValuesInArgumentOrder) {
    Bytes shortView = ViewFileBytes(kView);
    shortView.resize(30);  // the magic, the centre's X and part of its Y
    std::string sShort = dir.Write("short.kqz", shortView);
    const std::pair<std::vector<std::string>, DrawingValues> cases[] = {  // the other values the defaults
        {{"--center", "-0.5,0x1p-2", "--height", "1e-3", "--iterations", "077", "--rgb", "-7", "o.png"},
         {-0.5, -0.25, 77, 1e-3, 0.2, 2, 100, -7}},
        {{"--height", "2", "--center", "1,2", "--iterations", "9", "--view", sView, "o.png"}, kView},
        {{"--view", sView, "--height", "2", "--center", "1,2", "o.png"}, {1.0, -2.0, 32, 2.0, 0.1, 3, 150, 4}},
        {{"--view=" + sView, "--iterations", "7", "o.png"}, {-0.5, 0.25, 7, 1.5, 0.1, 3, 150, 4}},
        {{"--center", "3,4", "--height", "2", "--view", sShort, "o.png"}, {-0.5, -4.0, 0, 2.0, 0.2, 2, 100, 0}},
    };
    for (const auto& [args, values] : cases) {
        ASSERT_EQ(Parse(args), ParseResult::Render) << sError;
        EXPECT_EQ(ValueBits(options.values), ValueBits(values)) << args[0] << " " << args[1];
    }
    ASSERT_EQ(Parse({"--size", "8x8", "--invert", "--size=32x24", "--passes", "2", "--save-view", "--w", "--", "-o"}),
              ParseResult::Render);
    EXPECT_TRUE(options.bInvert && options.iWidth == 32 && options.iHeight == 24 && options.iPasses == 2);
    EXPECT_EQ(options.sSaveView + " " + options.sOutput, "--w -o");
    ASSERT_EQ(Parse({"--progressive", "--quiet", "--size", "16384x16384", "o.png"}), ParseResult::Render);
    EXPECT_TRUE(options.bProgressive && options.bQuiet && !options.bInvert && options.iPasses == 0);
    ASSERT_EQ(Parse({"--size", "2147483647x1", "o.png"}), ParseResult::Render) << sError;
    EXPECT_TRUE(options.iWidth == 2147483647 && !options.bProgressive && !options.bQuiet);
}

// Failures print what failed and leave no picture; a whole run copies the
// view; values pass from view to saved view bit for bit; a picture straight
// from its points counts every pixel once, in no passes.
TEST_F(RenderCli, RunsEndWithTheirExitCodes) {
    RenderOptions small;
    small.iWidth = 7, small.iHeight = 5, small.values.ulMaxLevels = 50, small.values.dfSetMidY = -0.5;
    MeasureView(small);
    uint64_t ullIterations = 0;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ullIterations += DriftCount(x * dfSetWidth / iMaxX + dfSetMinX, y * dfSetHeight / iMaxY + dfSetMinY);
    const DrawingValues odd = {std::bit_cast<double>(0x7FF8000000012345ull), -0.0, 0xFFFFFFFF,
                               std::bit_cast<double>(1ull), -1e308, -2147483647 - 1, -1, 9};
    std::string sOdd = dir.Write("odd.kqz", ViewFileBytes(odd));
    std::string sPng = dir.Path("out.png"), sMissing = dir.Path("missing.kqz"), sUnwritable = dir.Path("no/w.kqz");
    const struct { std::vector<std::string> args; int iExit; std::string sSaid; } runs[] = {
        {{"--view", sMissing, sPng}, 1, "'" + sMissing + "'"},
        {{"--save-view", sUnwritable, sPng}, 1, "cannot write view file '" + sUnwritable + "'"},
        {{"--view", sView, "--view"}, 2, "--view: missing value"},
        {{"--help"}, 0, "--view FILE"},
        {{"--version", "--frobnicate"}, 0, "orvanta-render " ORVANTA_VERSION "\n"},
        {{"--save-view", "-", "-"}, 2, "the PNG and --save-view cannot both go to standard output (-)"},
        {{"--frames", "2", sPng}, 2, "holds no number pattern"},
        {{"--view", sView, "--save-view", dir.Path("w.kqz"), sPng}, 0, ""},
        {{"--stats", "--size", "7x5", "--center", "0,0.5", "--iterations", "50", sPng}, 0,
         "passes: 0\npoint_colors: 35\niterations: " + std::to_string(ullIterations) + "\nseconds: "},
    };
    for (const auto& run : runs) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(Render(run.args), run.iExit) << run.args[0];
        std::string sSaid = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        EXPECT_NE(sSaid.find(run.sSaid), std::string::npos) << sSaid;
        EXPECT_EQ(std::filesystem::exists(sPng), run.iExit == 0 && run.args.back() == sPng) << run.args[0];
    }
    EXPECT_EQ(ScratchDir::Read(dir.Path("w.kqz")), ScratchDir::Read(sView));
    ASSERT_EQ(Parse({"--view", sOdd, "--save-view", dir.Path("odd-copy.kqz"), "o.png"}), ParseResult::Render);
    ASSERT_TRUE(SaveViewFile(options.sSaveView, options.values, &sError)) << sError;
    EXPECT_EQ(ScratchDir::Read(dir.Path("odd-copy.kqz")), ScratchDir::Read(sOdd));
}

// The frames of a 5-frame film: one run; two ranges, one of them with %% and
// %i in its pattern; and single renders, each at its frame's height (frame 0's
// times 0.7 per frame) given as %.17g. All the same bytes, views included.
TEST_F(RenderCli, FramesAreSingleRendersHoweverTheFilmIsSplit) {
    const std::string kView = "--size 40x24 --center -0.7436,0.1318 --iterations 400 --height 0.02 --zoom-per-frame 0.7 ";
    auto Run = [](const std::string& sArgs) {
        std::istringstream words(sArgs);
        return Render({std::istream_iterator<std::string>(words), {}});
    };
    ASSERT_EQ(Run(kView + "--frames 5 " + dir.Path("one%02d.png")), 0);
    ASSERT_EQ(Run(kView + "--frames 5 --frame-range 3:5 --threads 1 " + dir.Path("t%%%03i.png")), 0);
    ASSERT_EQ(Run(kView + "--frame-range 0:3 --frames 5 " + dir.Path("t%%%03i.png")), 0);
    double dfHeight = 0.02;
    for (int k = 0; k < 5; ++k, dfHeight *= 0.7) {
        char szSingle[64], szOne[16], szTwo[16];
        std::snprintf(szSingle, sizeof szSingle, "--height %.17g ", dfHeight);
        std::snprintf(szOne, sizeof szOne, "one%02d.png", k);
        std::snprintf(szTwo, sizeof szTwo, "t%%%03d.png", k);
        ASSERT_EQ(Run(kView + szSingle + dir.Path("single.png")), 0);
        Bytes single = ScratchDir::Read(dir.Path("single.png"));
        EXPECT_TRUE(ScratchDir::Read(dir.Path(szOne)) == single && ScratchDir::Read(dir.Path(szTwo)) == single) << k;
    }
}

void SetEnvironment(const char* psName, const char* psValue) {
#ifdef _WIN32
    _putenv_s(psName, psValue ? psValue : "");
#else
    psValue ? setenv(psName, psValue, 1) : unsetenv(psName);
#endif
}

// --threads wins over ORVANTA_THREADS, which wins over the hardware's count;
// a variable that is no count is refused like a bad option.
TEST_F(RenderCli, ThreadsComeFromTheOptionTheEnvironmentOrTheHardware) {
    const struct { const char* pszVariable; std::vector<std::string> args; int iThreads; } cases[] = {  // 0: refused
        {"3", {"o.png"}, 3}, {"3", {"--threads", "2", "o.png"}, 2}, {"0", {"o.png"}, 0},
        {nullptr, {"o.png"}, std::max(1, static_cast<int>(std::thread::hardware_concurrency()))}};
    for (const auto& c : cases) {
        SetEnvironment("ORVANTA_THREADS", c.pszVariable);
        EXPECT_EQ(Parse(c.args), c.iThreads ? ParseResult::Render : ParseResult::Error) << c.iThreads;
        EXPECT_EQ(c.iThreads ? std::to_string(options.iThreads) : sError,
                  c.iThreads ? std::to_string(c.iThreads) : "ORVANTA_THREADS: expected a whole number 1..1024");
    }
}

// The progress line: percent rounded down and held to 0..100, the time so far
// and an estimate of what is left, or the whole time once done.
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

// The names in a folder, sorted.
std::string Listing(const std::string& sFolder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sFolder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string sNames;
    for (const std::string& sName : names) sNames += (sNames.empty() ? "" : " ") + sName;
    return sNames;
}

#ifndef _WIN32
// What a name is now: "png" (a regular file holding one), "file", "pipe",
// "device", "link to ..." or "none".
std::string KindOf(const std::string& sPath) {
    struct stat status;
    if (lstat(sPath.c_str(), &status) != 0) return "none";
    if (S_ISLNK(status.st_mode))
        return "link to " + KindOf((std::filesystem::path(sPath).parent_path() / std::filesystem::read_symlink(sPath)).string());
    if (S_ISFIFO(status.st_mode)) return "pipe";
    if (S_ISCHR(status.st_mode)) return "device";
    Bytes bytes = ScratchDir::Read(sPath);
    return bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G' ? "png" : "file";
}

// Whatever is left to read on a non-blocking descriptor, which is closed.
std::string Drain(int iFile) {
    std::string sGot;
    char buffer[4096];
    for (ssize_t n; (n = read(iFile, buffer, sizeof buffer)) > 0;) sGot.append(buffer, static_cast<size_t>(n));
    close(iFile);
    return sGot;
}

// orvanta-render itself, after a prefix (a command that sets a limit), as the
// unprivileged user when bNobody; its exit code and what it said.
int RunProgram(const std::string& sArgs, bool bNobody, std::string* psSaid, const std::string& sPrefix = "") {
    ScratchDir dir;
    std::string sSaid = dir.Path("said"), sCommand = sPrefix + " " ORVANTA_RENDER_PROGRAM " " + sArgs + " >" + sSaid + " 2>&1";
    if (bNobody) sCommand = "setpriv --reuid=nobody --regid=nogroup --clear-groups " + sCommand;
    int iStatus = std::system(sCommand.c_str());
    Bytes said = ScratchDir::Read(sSaid);
    *psSaid = std::string(said.begin(), said.end());
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
}

// Each kind of name an output may be: exit code, message, what the name is
// afterwards, and what its folder holds (no temporaries).
TEST_F(RenderCli, OutputsLandWhereTheyAreNamed) {
    enum Made { NewName, OldFile, Link, Fifo, NullDevice, FullDevice, Stdout, Terminal, ReadOnlyFolder, FullFileSystem };
    const struct { Made made; int iExit; std::string sSaid, sAfter, sFolder; } rows[] = {
        {NewName, 0, "", "png", "out.png"},
        {OldFile, 0, "", "png", "out.png"},
        {Link, 0, "", "link to png", "out.png target.png"},
        {Fifo, 0, "", "pipe", "out.png"},  // its reader gets the PNG
        {NullDevice, 0, "", "device", "out.png"},
        {FullDevice, 1, "out.png': No space left on device", "device", "out.png"},
        {Stdout, 0, "", "none", ""},  // the pipe on standard output gets the PNG
        {Terminal, 2, "standard output (-) is a terminal", "none", ""},
        {ReadOnlyFolder, 1, "out.png': Permission denied", "none", ""},
        {FullFileSystem, 1, "out.png': No space left on device", "none", "filler"},
    };
    for (const auto& row : rows) {
        ScratchDir scratch;
        std::string sFolder = scratch.Path(""), sOut = scratch.Path("out.png"), sSkip;
        int iReader = -1, iStdout = -1, iTerminal = -1;
        bool bMounted = false;
        switch (row.made) {
        case NewName: break;
        case OldFile: scratch.Write("out.png", {'o', 'l', 'd'}); break;
        case Link:
            scratch.Write("target.png", {'o', 'l', 'd'});
            std::filesystem::create_symlink("target.png", sOut);
            break;
        case Fifo:
            mkfifo(sOut.c_str(), 0600);
            iReader = open(sOut.c_str(), O_RDONLY | O_NONBLOCK);
            break;
        case NullDevice:
        case FullDevice:
            if (mknod(sOut.c_str(), S_IFCHR | 0600, makedev(1, row.made == NullDevice ? 3 : 7)) != 0)
                sSkip = "mknod is not permitted here";
            break;
        case Stdout: {
            int pipeEnds[2];
            ASSERT_EQ(pipe(pipeEnds), 0);
            fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
            std::fflush(stdout);
            iStdout = dup(STDOUT_FILENO);
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[1]);
            iReader = pipeEnds[0];
            sOut = "-";
            break;
        }
        case Terminal: {
            iTerminal = posix_openpt(O_RDWR | O_NOCTTY);
            int iSide = iTerminal >= 0 && grantpt(iTerminal) == 0 && unlockpt(iTerminal) == 0
                            ? open(ptsname(iTerminal), O_RDWR | O_NOCTTY) : -1;
            if (iSide < 0) {
                sSkip = "no terminal can be made here";
                break;
            }
            std::fflush(stdout);
            iStdout = dup(STDOUT_FILENO);
            dup2(iSide, STDOUT_FILENO);
            close(iSide);
            sOut = "-";
            break;
        }
        case ReadOnlyFolder:
            sFolder = scratch.Path("ro");
            std::filesystem::create_directory(sFolder);
            chmod(sFolder.c_str(), 0555);
            sOut = sFolder + "/out.png";
            break;
        case FullFileSystem:
            sFolder = scratch.Path("small");
            std::filesystem::create_directory(sFolder);
            bMounted = mount("tmpfs", sFolder.c_str(), "tmpfs", 0, "size=8k") == 0;
            if (!bMounted) sSkip = "no tmpfs can be mounted here";
            scratch.Write("small/filler", Bytes(8192, 'f'));
            sOut = sFolder + "/out.png";
            break;
        }
        if (!sSkip.empty()) {
            std::cout << "[  SKIPPED ] row " << row.made << ": " << sSkip << "\n";
            continue;
        }
        std::string sSaid;
        int iExit = 0;
        if (row.made == ReadOnlyFolder && geteuid() == 0) {  // root writes anywhere: the run is nobody's
            iExit = RunProgram("--size 64x48 " + sOut, true, &sSaid);
        } else {
            testing::internal::CaptureStderr();
            iExit = Render({"--size", "64x48", sOut});
            sSaid = testing::internal::GetCapturedStderr();
        }
        if (iStdout >= 0) {
            dup2(iStdout, STDOUT_FILENO);
            close(iStdout);
        }
        if (iTerminal >= 0) close(iTerminal);
        EXPECT_EQ(iReader >= 0 ? Drain(iReader).substr(0, 4) : "\x89PNG", "\x89PNG") << row.made;
        EXPECT_EQ(iExit, row.iExit) << row.made << " " << sSaid;
        EXPECT_TRUE(row.sSaid.empty() ? sSaid.empty() : sSaid.find(row.sSaid) != std::string::npos) << row.made << " " << sSaid;
        EXPECT_EQ(sOut == "-" ? "none" : KindOf(sOut), row.sAfter) << row.made;
        EXPECT_EQ(Listing(sFolder), row.sFolder) << row.made;
        if (bMounted) umount(sFolder.c_str());
    }
    EXPECT_FALSE(std::filesystem::exists("-"));
}

// One run's frames against the same film killed once two frames are there,
// which leaves whole frames and no temporary, then finished by --skip-existing,
// which keeps those; and against GNU parallel running two ranges here.
TEST_F(RenderCli, AnInterruptedOrSplitFilmGivesOneRunsFrames) {
    const std::string kFilm = "--size 900x600 --center -0.7436,0.1318 --height 0.001 --iterations 3000 --frames 6 --threads 1 ";
    ScratchDir film;
    std::string sSaid, sFrames = film.Path("f%d.png"), sKill = "sh -c '" ORVANTA_RENDER_PROGRAM " " + kFilm + sFrames +
        " & until [ -e " + film.Path("f1.png") + " ] || ! kill -0 $!; do sleep 0.01; done; kill $!; wait'";
    ASSERT_EQ(RunProgram(kFilm + dir.Path("r%d.png"), false, &sSaid), 0) << sSaid;
    std::system(sKill.c_str());
    std::string sLeft = Listing(film.Path(""));
    EXPECT_TRUE(sLeft.rfind("f0.png f1.png", 0) == 0 && sLeft.find("part") == std::string::npos &&
                sLeft.find("f5") == std::string::npos) << sLeft;  // whole frames only, and not all six
    auto tFirst = std::filesystem::last_write_time(film.Path("f0.png"));
    ASSERT_EQ(RunProgram(kFilm + "--skip-existing " + sFrames, false, &sSaid), 0) << sSaid;
    EXPECT_EQ(Listing(film.Path("")), "f0.png f1.png f2.png f3.png f4.png f5.png");
    EXPECT_EQ(std::filesystem::last_write_time(film.Path("f0.png")), tFirst);
    bool bParallel = std::system("parallel --version >/dev/null 2>&1") == 0;
    if (!bParallel) std::cout << "[  SKIPPED ] GNU parallel is not installed\n";
    else EXPECT_EQ(RunProgram(kFilm + "--frame-range {} " + film.Path("p%d.png") + " ::: 0:2 2:6", false, &sSaid, "parallel"), 0) << sSaid;
    for (std::string sFrame : {"0", "1", "2", "3", "4", "5"}) {
        Bytes one = ScratchDir::Read(dir.Path("r" + sFrame + ".png"));
        EXPECT_TRUE(ScratchDir::Read(film.Path("f" + sFrame + ".png")) == one &&
                    (!bParallel || ScratchDir::Read(film.Path("p" + sFrame + ".png")) == one)) << sFrame;
    }
}

// Real limits: under a process limit (as an unprivileged user: root is not
// held to one) the threads that started count the same picture; under an
// address-space limit too small for the picture the run ends with a line.
TEST(RenderSession, RealLimitsOnThreadsAndMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's own threads and reservations do not fit under these limits";
#endif
    ScratchDir dir;
    std::filesystem::permissions(dir.Path(""), std::filesystem::perms::all);
    std::string sAlone = dir.Path("alone.png"), sPng = dir.Path("out.png"), sSaid;
    ASSERT_EQ(Render({"--size", "64x48", "--threads", "1", sAlone}), 0);
    const struct { const char* pszLimit; std::string sArgs; bool bNobody; int iExit; std::string sSaid; } rows[] = {
        {"prlimit --nproc=1:1", "--size 64x48 --threads 4", geteuid() == 0, 0,
         "orvanta-render: only 1 of 4 counting threads could be started; counting with those\n"},
        {"prlimit --as=400000000", "--size 12000x12000 --progressive", false, 1,
         "orvanta-render: not enough memory for a 12000x12000 picture\n"},
    };
    for (const auto& row : rows) {
        int iExit = RunProgram(row.sArgs + " " + sPng, row.bNobody, &sSaid, row.pszLimit);
        if (iExit == 127 || sSaid.starts_with("setpriv:") || sSaid.starts_with("prlimit:")) {
            std::cout << "[  SKIPPED ] " << row.pszLimit << ": cannot be set here: " << sSaid;
            continue;
        }
        EXPECT_EQ(iExit, row.iExit) << row.pszLimit;
        EXPECT_EQ(sSaid, row.sSaid) << row.pszLimit;
        EXPECT_TRUE(iExit ? !std::filesystem::exists(sPng) : ScratchDir::Read(sPng) == ScratchDir::Read(sAlone)) << row.pszLimit;
        std::filesystem::remove(sPng);
        EXPECT_EQ(Listing(dir.Path("")), "alone.png") << row.pszLimit;
    }
}
#endif

// Memory that runs out at any one allocation of a run ends it with exit 1, a
// line that says so and no file; or the run does without it and writes the
// same picture.
TEST(RenderSession, MemoryRunningOutAnywhereEndsTheRunCleanly) {
    ScratchDir dir;
    std::string sWhole = dir.Path("whole.png"), sPng = dir.Path("out.png");
    long lAllocations = 0;
    auto run = [&](const std::string& sSize, const std::string& sOut, long lNth, std::string* psSaid) {
        std::vector<std::string> args = {"--size", sSize, "--threads", "2", "--save-view", sOut + ".kqz", sOut};
        std::vector<const char*> argv = {"orvanta-render"};  // before any allocation may fail
        for (const std::string& sArg : args) argv.push_back(sArg.c_str());
        testing::internal::CaptureStderr();
        harness::FailNthAllocation(lNth);
        int iExit = RunRenderTool(static_cast<int>(argv.size()), argv.data());
        if (!lNth) lAllocations = harness::AllocationsSinceArmed();
        harness::FailNthAllocation(0);
        *psSaid = testing::internal::GetCapturedStderr();
        return iExit;
    };
    std::string sSaid;
    ASSERT_EQ(run("16x12", sWhole, 0, &sSaid), 0) << sSaid;
    for (long lNth = 1; lNth <= lAllocations; ++lNth) {
        int iExit = run("16x12", sPng, lNth, &sSaid);
        EXPECT_TRUE(iExit == 0 ? ScratchDir::Read(sPng) == ScratchDir::Read(sWhole)
                               : iExit == 1 && sSaid.starts_with("orvanta-render: not enough memory"))
            << "allocation " << lNth << ": " << sSaid;
        EXPECT_EQ(std::filesystem::exists(sPng), iExit == 0) << lNth;
        std::filesystem::remove(sPng), std::filesystem::remove(sPng + ".kqz");
        EXPECT_EQ(Listing(dir.Path("")), "whole.png whole.png.kqz") << lNth;
    }
}

// The program's values for a client of any size, measured in a window that
// keeps no pixels: a framebuffer of these would not fit in memory.
TEST(RenderSession, AnySizeIsMeasuredWithoutAFramebuffer) {
    for (const auto& [iWidth, iHeight, iThreshold] : {std::tuple{40000, 30000, 6}, {3, 2000000000, INT_MAX},
                                                      {2147483647, 2147483647, 8}, {2147483647, 1, 0}}) {
        RenderOptions options;
        options.iWidth = iWidth, options.iHeight = iHeight, options.values.dfSetHeight = 2.5;
        MeasureView(options);
        EXPECT_TRUE(iMaxX == iWidth && iMaxY == iHeight && yThreshold == iThreshold && ulMaxLevels == 1024) << iWidth << "x" << iHeight;
        EXPECT_EQ(dfSetWidth, 2.5 * (static_cast<double>(iWidth) / iHeight));
    }
}

TEST(RenderSession, PassesStopsAtACoarsePreview) {
    RenderOptions options;
    options.iWidth = 256, options.iHeight = 192, options.iPasses = 1;
    RenderResult result = RenderHeadless(options);
    EXPECT_TRUE(result.iPasses == 1 && result.ullPointColors == 16u && result.iBeeps == 0);  // the first pass's sixteen blocks
    options.iPasses = 0;
    result = RenderHeadless(options);
    EXPECT_TRUE(result.iBeeps == 1 && result.iPasses > 1);
}

}  // namespace
