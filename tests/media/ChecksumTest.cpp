// The PNG writer's own Adler-32 against zlib's, over the lengths where its blocks and runs
// begin and end, and continued across calls as the bands use it.
#include <gtest/gtest.h>

#include <random>
#include <vector>
#include <zlib.h>

#include "media/image/PngParallel.h"

namespace tess {
namespace {

TEST(PngChecksum, Adler32AgreesWithZlibAtEveryBoundary) {
    std::mt19937 rng(7);
    std::vector<uint8_t> data(300000);
    for (auto& v : data)
        v = static_cast<uint8_t>(rng());
    // All 0xFF is the case that brings the sums nearest to overflowing.
    std::vector<uint8_t> full(300000, 0xFF);
    for (const auto* buffer : {&data, &full}) {
        for (size_t n : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{33}, size_t{5535},
                         size_t{5536}, size_t{5537}, size_t{5552}, size_t{5553}, size_t{300000}}) {
            const uint8_t* p = buffer->data();
            const uLong want = adler32(1L, p, static_cast<uInt>(n));
            EXPECT_EQ(image::detail::Adler32(1, p, n), want) << n;
        }
        // Continued in uneven pieces.
        uint32_t ours = 1;
        uLong theirs = 1;
        size_t at = 0;
        for (size_t piece : {7u, 5761u, 92176u, 1u, 40000u}) {
            ours = image::detail::Adler32(ours, buffer->data() + at, piece);
            theirs = adler32(theirs, buffer->data() + at, static_cast<uInt>(piece));
            at += piece;
            EXPECT_EQ(ours, theirs) << at;
        }
    }
}

} // namespace
} // namespace tess
