// Tests of the star generator and the star positions, against values derived independently.
#include "star_field.h"

#include "bit_cast.h"
#include "bits.h"
#include "plain_stars.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace {

struct Vertex {
    float x;
    float y;
    bool operator==(const Vertex&) const = default;
};

std::vector<Vertex> starsAt(std::int32_t tick, float spinRate, std::int32_t count = 25000)
{
    std::vector<Vertex> stars;
    forEachStar(count, tick, spinRate, [&](float x, float y) { stars.push_back({x, y}); });
    return stars;
}

constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();

}  // namespace

TEST(StarRandom, FirstSixDrawsFromSeedZero)
{
    StarRandom random;
    random.seed(0);
    for (int expected : {38, 7719, 21238, 2437, 8855, 11797}) {
        EXPECT_EQ(random.next(), expected);
    }
}

TEST(StarRandom, ReseedingRestartsTheSequence)
{
    StarRandom random;
    random.seed(0);
    const int first = random.next();
    random.next();
    random.seed(0);
    EXPECT_EQ(random.next(), first);
}

TEST(StarRandom, DrawsCoverFifteenBitsAndNoMore)
{
    StarRandom random;
    random.seed(0);
    int lowest = 32767;
    int highest = 0;
    for (int i = 0; i < 1'000'000; ++i) {
        const int draw = random.next();
        lowest = std::min(lowest, draw);
        highest = std::max(highest, draw);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 32767);
}

TEST(StarRandom, PairIsTheNextTwoDraws)
{
    StarRandom single;
    StarRandom paired;
    single.seed(0);
    paired.seed(0);
    // 2^17 pairs take the 32-bit state through many wrap-arounds.
    for (int i = 0; i < (1 << 17); ++i) {
        const auto [first, second] = paired.nextPair();
        ASSERT_EQ(first, single.next()) << "pair " << i;
        ASSERT_EQ(second, single.next()) << "pair " << i;
    }
}

TEST(StarField, UnitDrawRoundsLikeTheDivisionForEveryDraw)
{
    for (std::int32_t draw = 0; draw <= 32767; ++draw) {
        ASSERT_EQ(unitDraw(draw), static_cast<float>(draw / 32767.0)) << draw;
    }
}

namespace {
template <typename T>
std::uint64_t digestOf(const std::vector<T>& values)
{
    Digest digest;
    for (const T& value : values) {
        digest.add(value);
    }
    return digest.value();
}

double neighbour(double value, int direction)
{
    return bitCast<double>(bitCast<std::uint64_t>(value) + direction);
}
}  // namespace

// Every radius a star can have, so this covers every power the field will ever take. The
// digest is of the correctly rounded powers, derived with exact rational arithmetic by
// tests/vectors/star_vectors.py. (glibc's pow, within 0.52 units in the last place, rounds
// 21 of them the other way, each within 0.005 units of half-way between two doubles.)
TEST(StarField, OrbitPowerIsCorrectlyRoundedForEveryRadius)
{
    std::vector<double> powers;
    Mismatches undecided;
    for (std::int32_t draw = 0; draw <= 32767; ++draw) {
        const float radius = orbitRadius(draw);
        const double power = threeHalvesPower(radius);
        powers.push_back(power);
        // The exact decision between neighbours, as where the bounds disagree.
        if (exactDoubleArithmetic &&
            (threeHalvesPower(radius, {neighbour(power, -1), power}) != power ||
             threeHalvesPower(radius, {power, neighbour(power, 1)}) != power)) {
            undecided.add("draw " + std::to_string(draw));
        }
    }
    EXPECT_TRUE(undecided.none());
    if (exactDoubleArithmetic) {  // the x87 build takes the library's pow
        EXPECT_EQ(digestOf(powers), 8531141074882233104u);
    }
}

TEST(StarField, FirstStarAtTickZero)
{
    const auto stars = starsAt(0, 0.1f, 1);
    ASSERT_EQ(stars.size(), 1u);
    EXPECT_EQ(stars[0].x, 0x1.40b9c8p-7f);  // about 0.0097878
    EXPECT_EQ(stars[0].y, 0x1.b90858p-4f);  // about 0.1076740
    EXPECT_NEAR(stars[0].x, 0.0097878, 5e-8);
    EXPECT_NEAR(stars[0].y, 0.1076740, 5e-8);
}

// Reference positions from tests/vectors/star_vectors.py, which emulates the
// single-precision roundings on its own; every one must match to the bit.
TEST(StarField, MatchesIndependentlyDerivedPositions)
{
    struct Case {
        std::int32_t tick;
        float spinRate;
        int star;
        float x;
        float y;
    };
    const Case cases[] = {
        {0, 0.1f, 0, 0x1.40b9c8p-7f, 0x1.b90858p-4f},
        {0, 0.1f, 1, 0x1.08f446p+2f, 0x1.0b6138p+1f},
        {0, 0.1f, 2, -0x1.451212p+0f, 0x1.88cf32p+0f},
        {0, 0.1f, 999, -0x1.bad454p+0f, 0x1.6f383p+0f},
        {0, 0.1f, 24999, 0x1.3191a8p+1f, 0x1.17a5cep+0f},
        {1, 0.1f, 0, -0x1.68a106p-5f, -0x1.947ac4p-4f},
        {1, 0.1f, 1, 0x1.079a22p+2f, 0x1.10ac52p+1f},
        {1, 0.1f, 2, -0x1.52d63cp+0f, 0x1.7cff8ep+0f},
        {1, 0.1f, 999, -0x1.c588ap+0f, 0x1.61ea04p+0f},
        {1, 0.1f, 24999, 0x1.2e32ap+1f, 0x1.25efa6p+0f},
        {1000, 0.1f, 0, 0x1.864506p-4f, -0x1.a299ccp-5f},
        {1000, 0.1f, 1, -0x1.23a2a8p+1f, -0x1.027a64p+2f},
        {1000, 0.1f, 2, 0x1.f8e51ap+0f, 0x1.1c49a4p-2f},
        {1000, 0.1f, 999, 0x1.b10cfep+0f, 0x1.7ab3acp+0f},
        {1000, 0.1f, 24999, 0x1.ed67b8p-1f, -0x1.389502p+1f},
        {31623, 0.1f, 0, -0x1.7a1b8ap-4f, 0x1.cd17ccp-5f},
        {31623, 0.1f, 1, -0x1.25d736p+2f, 0x1.4ce0cap-1f},
        {31623, 0.1f, 2, -0x1.b9ac14p+0f, 0x1.fd7e3p-1f},
        {31623, 0.1f, 999, 0x1.3b582cp-1f, -0x1.14a038p+1f},
        {31623, 0.1f, 24999, -0x1.fbf1cep+0f, 0x1.b818a2p+0f},
        {1000000, 0.1f, 0, -0x1.207dc6p-5f, 0x1.a2b35cp-4f},
        {1000000, 0.1f, 1, 0x1.1c2246p+2f, -0x1.56bbd8p+0f},
        {1000000, 0.1f, 2, -0x1.ada0f2p+0f, -0x1.129234p+0f},
        {1000000, 0.1f, 999, 0x1.09c7ecp+1f, -0x1.b7f45ep-1f},
        {1000000, 0.1f, 24999, -0x1.1e20b6p+1f, -0x1.60716p+0f},
        {2147483647, 0.1f, 0, -0x1.5009b2p-5f, 0x1.99bd6p-4f},
        {2147483647, 0.1f, 1, -0x1.28b0e8p+2f, 0x1.bc0ab4p-4f},
        {2147483647, 0.1f, 2, -0x1.c4ed32p+0f, 0x1.d44e5cp-1f},
        {2147483647, 0.1f, 999, -0x1.1bb7d2p+1f, -0x1.7ab822p-2f},
        {2147483647, 0.1f, 24999, 0x1.4fdeeep+1f, -0x1.557e7ep-4f},
        {int32Min, 0.1f, 0, -0x1.5009b2p-5f, -0x1.99bd6p-4f},
        {int32Min, 0.1f, 1, 0x1.038d4p+1f, -0x1.0ae4a4p+2f},
        {int32Min, 0.1f, 2, 0x1.298fe4p+0f, -0x1.9e098ep+0f},
        {int32Min, 0.1f, 999, 0x1.ba8e1p+0f, 0x1.6f8cdcp+0f},
        {int32Min, 0.1f, 24999, 0x1.4fdeeep+1f, 0x1.557e7ep-4f},
        {500, -0.05f, 0, -0x1.5ae36p-5f, 0x1.97791p-4f},
        {500, -0.05f, 1, -0x1.0a74cp+1f, -0x1.092fcep+2f},
        {500, -0.05f, 2, 0x1.df267ep+0f, -0x1.5ca03cp-1f},
        {500, -0.05f, 999, 0x1.27656p-1f, 0x1.15ffb2p+1f},
        {500, -0.05f, 24999, 0x1.c300fcp+0f, 0x1.f248f2p+0f},
        {123456, 0.0f, 0, 0x1.40b9c8p-7f, 0x1.b90858p-4f},
        {123456, 0.0f, 1, 0x1.08f446p+2f, 0x1.0b6138p+1f},
        {123456, 0.0f, 2, -0x1.451212p+0f, 0x1.88cf32p+0f},
        {123456, 0.0f, 999, -0x1.bad454p+0f, 0x1.6f383p+0f},
        {123456, 0.0f, 24999, 0x1.3191a8p+1f, 0x1.17a5cep+0f},
    };
    std::int32_t tick = 0;
    float spinRate = 0.1f;
    auto stars = starsAt(tick, spinRate);
    for (const Case& c : cases) {
        if (c.tick != tick || c.spinRate != spinRate) {
            tick = c.tick;
            spinRate = c.spinRate;
            stars = starsAt(tick, spinRate);
        }
        SCOPED_TRACE(testing::Message() << "tick " << c.tick << ", rate " << c.spinRate << ", star "
                                        << c.star);
        EXPECT_EQ(stars.at(c.star), (Vertex{c.x, c.y}));
    }
}

TEST(StarField, EmitsExactlyStarCountStars)
{
    EXPECT_EQ(starsAt(0, 0.1f).size(), 25000u);
    EXPECT_EQ(starsAt(7, 0.1f, 3).size(), 3u);
    EXPECT_TRUE(starsAt(7, 0.1f, 0).empty());
    EXPECT_TRUE(starsAt(7, 0.1f, -1).empty());
}

TEST(StarField, EachStarIsTheSameWhateverTheCount)
{
    const auto all = starsAt(1234, 0.1f);
    for (std::int32_t count : {1, 10, 63, 64, 65, 128, 129, 24999}) {
        const auto few = starsAt(1234, 0.1f, count);
        EXPECT_TRUE(std::equal(few.begin(), few.end(), all.begin())) << count;
    }
}

namespace {
// Where the library is glibc, the model must agree with the plain formulas to the bit (at
// these ticks: glibc's pow rounds a few radii the other way, which moves each of 19 stars
// by a float step at 1 to 17 of the 2^32 ticks). The x87 build is meant to be these formulas with its own library. Sine and
// cosine stay separate calls, through pointers the compiler cannot see through.
std::vector<Vertex> plainStars(std::int32_t tick, float spinRate)
{
    double (*const volatile sine)(double) = std::sin;
    double (*const volatile cosine)(double) = std::cos;
    std::vector<Vertex> stars;
    forEachPlainStar(25000, tick, spinRate, sine, cosine,
                     [&](float x, float y) { stars.push_back({x, y}); });
    return stars;
}
}  // namespace

TEST(StarField, MatchesThePlainFormulasForEveryStar)
{
    if (!libraryIsTheReference && exactDoubleArithmetic) {
        GTEST_SKIP() << "this C library is no reference; the whole-field digests stand in";
    }
    for (std::int32_t tick : {0, 1, 1000, 1'000'000, int32Max, int32Min + 12345}) {
        for (float rate : {0.1f, 0.0f, -0.05f}) {
            const auto fast = starsAt(tick, rate);
            const auto plain = plainStars(tick, rate);
            ASSERT_EQ(fast.size(), plain.size());
            int differences = 0;
            for (std::size_t i = 0; i < fast.size(); ++i) {
                differences += std::memcmp(&fast[i], &plain[i], sizeof(Vertex)) != 0;
            }
            EXPECT_EQ(differences, 0) << "tick " << tick << ", rate " << rate;
        }
    }
}

// Whole frames, digested as tests/vectors/star_vectors.py derives them on its own: every
// target and build must draw these same frames to the bit. The x87 build, the plain formulas
// with its own library, is held to the first of them only: its library's pow may round a few
// radii otherwise, and its sine large phases (see MatchesThePlainFormulasForEveryStar).
TEST(StarField, WholeFieldIsTheSameOnEveryTarget)
{
    struct Frame {
        std::int32_t tick;
        float spinRate;
        std::uint64_t digest;
        bool exactOnly = false;  // beyond where the x87 build's library agrees
    };
    // At tick 1271493 and rate -0.05, glibc's pow would move star 16823 by a float step.
    // The ticks after it are where C runtimes part: phases of 10^9 radians and more, and at
    // rate 10, thousands beyond 2^32.
    const Frame frames[] = {
        {0, 0.1f, 8978831360557874790u},
        {1, 0.1f, 1073258041941110961u},
        {1000, 0.1f, 5270154741285880782u},
        {31623, 0.1f, 12004781542536210479u},
        {1000000, 0.1f, 13146186046796913306u},
        {1000000, -0.05f, 15087558905101959810u},
        {1271493, -0.05f, 3521759670650252076u, true},
        {1000000000, 0.1f, 12875926148552758163u, true},
        {2147483647, 0.1f, 7530097076137706325u, true},
        {-2147471303, 0.1f, 9470483428528171670u, true},
        {2147483647, -0.05f, 6297059376118416809u, true},
        {2147483647, 10.0f, 14993237998227416053u, true},
    };
    for (const Frame& frame : frames) {
        if (exactDoubleArithmetic || !frame.exactOnly) {
            EXPECT_EQ(digestOf(starsAt(frame.tick, frame.spinRate)), frame.digest)
                << "tick " << frame.tick << ", rate " << frame.spinRate;
        }
    }
}

TEST(StarField, SameTickAndRateGiveTheSameVertices)
{
    EXPECT_EQ(starsAt(98765, 0.1f), starsAt(98765, 0.1f));
}

TEST(StarField, ZeroRateHoldsTheFieldStillAtEveryTick)
{
    const auto still = starsAt(0, 0.1f);
    for (std::int32_t tick : {1, 1000, int32Max, int32Min}) {
        EXPECT_EQ(starsAt(tick, 0.0f), still) << "tick " << tick;
    }
}

// A positive rate turns the disc anticlockwise (x towards y), a negative one clockwise.
TEST(StarField, RateSignSetsTheDirectionOfTurn)
{
    const auto start = starsAt(0, 0.001f);
    for (float rate : {0.001f, -0.001f}) {
        const auto later = starsAt(1, rate);
        for (std::size_t i = 0; i < start.size(); ++i) {
            const double turn = double{start[i].x} * later[i].y - double{start[i].y} * later[i].x;
            ASSERT_GT(turn * rate, 0.0) << "star " << i << ", rate " << rate;
        }
    }
}

// Each star keeps its orbit: the same radius, within the disc, at every tick.
TEST(StarField, StarsKeepTheirRadiusInsideTheDisc)
{
    const auto start = starsAt(0, 0.1f);
    for (std::int32_t tick : {1, 31623, 1'000'000, int32Max, int32Min}) {
        const auto later = starsAt(tick, 0.1f);
        for (std::size_t i = 0; i < start.size(); ++i) {
            const double radius = std::hypot(later[i].x, later[i].y);
            ASSERT_TRUE(std::isfinite(later[i].x) && std::isfinite(later[i].y));
            ASSERT_GE(radius, 0.1 - 1e-6);
            ASSERT_LE(radius, 7.1 + 1e-5);
            ASSERT_NEAR(radius, std::hypot(start[i].x, start[i].y), 2e-6 * radius)
                << "star " << i << ", tick " << tick;
        }
    }
}

// Inner stars turn faster: over one small step, angular travel falls with radius.
TEST(StarField, InnerStarsLapOuterOnes)
{
    const auto start = starsAt(0, 0.0001f, 200);
    const auto later = starsAt(1, 0.0001f, 200);
    for (std::size_t i = 0; i < start.size(); ++i) {
        for (std::size_t j = 0; j < start.size(); ++j) {
            const double ri = std::hypot(start[i].x, start[i].y);
            const double rj = std::hypot(start[j].x, start[j].y);
            if (ri < 0.5 * rj) {
                const auto travel = [&](std::size_t k) {
                    return std::remainder(std::atan2(later[k].y, later[k].x)
                                              - std::atan2(start[k].y, start[k].x),
                                          2 * std::numbers::pi);
                };
                ASSERT_GT(travel(i), travel(j)) << "stars " << i << " and " << j;
            }
        }
    }
}
