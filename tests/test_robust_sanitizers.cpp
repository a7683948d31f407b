// The sanitizer build checks itself: a leak, a double converted out of an
// int's range, a division by zero, a signed overflow and a heap overflow each
// end a process with a report, so that any of them in the suite fails its
// test. Elsewhere (release, Windows) there is nothing to check.
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVANTA_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define ORVANTA_SANITIZED 1
#endif

namespace {

void* volatile g_pSink = nullptr;

[[gnu::noinline]] void LoseABlock() {
    g_pSink = std::malloc(48);
    g_pSink = nullptr;
}

class Sanitizers : public ::testing::Test {
protected:
    void SetUp() override {
#if !defined(ORVANTA_SANITIZED)
        GTEST_SKIP() << "not a sanitizer build";
#endif
        GTEST_FLAG_SET(death_test_style, "threadsafe");
    }
};

}  // namespace

TEST_F(Sanitizers, ALeakFailsTheProcess) {
    EXPECT_DEATH(
        {
            LoseABlock();
            std::exit(0);
        },
        "LeakSanitizer: detected memory leaks");
}

TEST_F(Sanitizers, UndefinedArithmeticFailsTheProcess) {
    volatile double dfHuge = 1e300;
    EXPECT_DEATH({ [[maybe_unused]] volatile int i = static_cast<int>(dfHuge); }, "outside the range of representable values");
    volatile double dfZero = 0.0;
    EXPECT_DEATH({ [[maybe_unused]] volatile double df = 1.0 / dfZero; }, "division by zero");
    volatile int iMax = INT_MAX;
    EXPECT_DEATH({ [[maybe_unused]] volatile int i = iMax + 1; }, "signed integer overflow");
}

TEST_F(Sanitizers, AHeapOverflowFailsTheProcess) {
    EXPECT_DEATH(
        {
            char* pBlock = new char[4];
            volatile size_t uPast = 4;  // unknown to the compiler, so it neither warns nor folds
            [[maybe_unused]] char c = *static_cast<volatile char*>(pBlock + uPast);
            delete[] pBlock;
        },
        "heap-buffer-overflow|insufficient space");
}
