// Behaviour of the SDK value classes: vectors, matrices, quaternions, transformation matrices,
// bounding boxes, text numbers, statuses and arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "frame/k_arrays.h"
#include "frame/k_math.h"
#include "frame/k_status.h"
#include "frame/k_string.h"
#include "host/sdk/host_output.h"

namespace {

constexpr double kPi = std::numbers::pi;

KMatrix fromRows(std::initializer_list<std::initializer_list<double>> rows) {
    KMatrix m;
    unsigned r = 0;
    for (const auto& row : rows) {
        unsigned c = 0;
        for (double v : row) m[r][c++] = v;
        ++r;
    }
    return m;
}

TEST(KVectorValues, CrossDotNormalizeAndAngle) {
    struct Case {
        KVector a, b, cross;
        double dot;
    };
    // Right-handed: x ^ y = z, and the order of the operands flips the sign.
    const Case cases[] = {
        {KVector::xAxis, KVector::yAxis, KVector::zAxis, 0.0},
        {KVector::yAxis, KVector::zAxis, KVector::xAxis, 0.0},
        {KVector::zAxis, KVector::xAxis, KVector::yAxis, 0.0},
        {KVector::yAxis, KVector::xAxis, -KVector::zAxis, 0.0},
        {KVector(1, 2, 3), KVector(4, 5, 6), KVector(-3, 6, -3), 32.0},
        {KVector(2, 0, 0), KVector(-3, 0, 0), KVector::zero, -6.0},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE((c.a ^ c.b).isEquivalent(c.cross)) << c.a.x << c.a.y << c.a.z;
        EXPECT_DOUBLE_EQ(c.a * c.b, c.dot);
        // The cross product is perpendicular to both operands.
        EXPECT_NEAR((c.a ^ c.b) * c.a, 0.0, 1e-12);
        EXPECT_NEAR((c.a ^ c.b) * c.b, 0.0, 1e-12);
        KFloatVector fa(c.a), fb(c.b);
        EXPECT_TRUE((fa ^ fb).isEquivalent(KFloatVector(c.cross)));
        EXPECT_FLOAT_EQ(fa * fb, static_cast<float>(c.dot));
    }

    // Zero vectors stay zero (and finite) when normalized, in both precisions.
    KVector zero;
    zero.normalize();
    EXPECT_EQ(zero, KVector::zero);
    KFloatVector fzero;
    fzero.normalize();
    EXPECT_TRUE(std::isfinite(fzero.x) && std::isfinite(fzero.y) && std::isfinite(fzero.z));
    EXPECT_EQ(fzero, KFloatVector());

    for (KVector v : {KVector(3, 4, 0), KVector(0, 0, -2), KVector(1e-5, -2e-5, 3e-6)}) {
        KVector n = v.normal();
        EXPECT_NEAR(n.length(), 1.0, 1e-12);
        EXPECT_NEAR(n * v, v.length(), 1e-12);  // same direction
    }
    EXPECT_TRUE(KVector(3, 4, 0).normal().isEquivalent(KVector(0.6, 0.8, 0)));
    EXPECT_TRUE(KFloatVector(0, -5, 0).normal().isEquivalent(KFloatVector(0, -1, 0)));

    EXPECT_NEAR(KVector::xAxis.angle(KVector::yAxis), kPi / 2, 1e-12);
    EXPECT_NEAR(KVector(1, 1, 0).angle(KVector(-2, -2, 0)), kPi, 1e-7);
    EXPECT_NEAR(KVector(1, 1, 0).angle(KVector(5, 5, 0)), 0.0, 1e-7);
    EXPECT_EQ(KVector::zero.angle(KVector::xAxis), 0.0);
}

TEST(KVectorValues, LengthAndNormalizeSurviveExtremeMagnitudes) {
    // Squares of these overflow or underflow; the length and direction must not.
    struct Case {
        double x, y, z, length;
    };
    const Case cases[] = {
        {3e200, 4e200, 0, 5e200},
        {-3e-200, 0, 4e-200, 5e-200},
        {0, 1e-310, 0, 1e-310},  // subnormal
        {1e308, 1e308, 0, 1.4142135623730951e308},
    };
    for (const Case& c : cases) {
        const KVector v(c.x, c.y, c.z);
        EXPECT_NEAR(v.length() / c.length, 1.0, 1e-15) << c.x << " " << c.y << " " << c.z;
        const KVector n = v.normal();
        EXPECT_NEAR(n.length(), 1.0, 1e-15);
        EXPECT_NEAR(n * KVector(c.x, c.y, c.z).normal(), 1.0, 1e-15);
        EXPECT_NEAR(n.x, c.x / c.length, 1e-15);
    }
    const KFloatVector f(3e30f, -4e30f, 0);
    EXPECT_FLOAT_EQ(f.length(), 5e30f);
    EXPECT_TRUE(f.normal().isEquivalent(KFloatVector(0.6f, -0.8f, 0)));
    EXPECT_TRUE(KFloatVector(0, 3e-30f, 4e-30f).normal().isEquivalent(KFloatVector(0, 0.6f, 0.8f)));

    // Infinite and NaN components: the length says so and normalize leaves the vector alone.
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(KVector(inf, 1, 0).length(), inf);
    EXPECT_TRUE(std::isnan(KVector(std::nan(""), 1, 0).length()));
    KVector v(inf, 1, 0);
    v.normalize();
    EXPECT_EQ(v, KVector(inf, 1, 0));
    // Ordinary vectors keep the plain formula's exact result.
    EXPECT_EQ(KFloatVector(0.1f, 0.2f, 0.3f).length(),
              std::sqrt(0.1f * 0.1f + 0.2f * 0.2f + 0.3f * 0.3f));
}

TEST(KMatrixValues, InverseTimesMatrixIsIdentity) {
    const KMatrix affine = KQuaternion(0.7, KVector(1, -2, 0.5)).asMatrix() *
                           fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {4, -5, 6, 1}});
    const KMatrix scaled = fromRows({{2, 0, 0, 0}, {0, 0.5, 0, 0}, {0, 0, -3, 0}, {1, 1, 1, 1}});
    // A general (projective) matrix: the last column is not (0, 0, 0, 1).
    const KMatrix general =
        fromRows({{2, 1, 0, 0.5}, {0, 3, 1, 0}, {1, 0, 4, 0.25}, {0.5, 2, 1, 3}});
    for (const KMatrix& m : {affine, scaled, general}) {
        EXPECT_TRUE((m * m.inverse()).isEquivalent(KMatrix::identity, 1e-12));
        EXPECT_TRUE((m.inverse() * m).isEquivalent(KMatrix::identity, 1e-12));
        EXPECT_NEAR(m.det4x4() * m.inverse().det4x4(), 1.0, 1e-12);
        EXPECT_TRUE(m.transpose().transpose() == m);
        EXPECT_NEAR(m.transpose().det4x4(), m.det4x4(), 1e-12);

        KFloatMatrix f(m);
        EXPECT_TRUE((f * f.inverse()).asMatrix().isEquivalent(KMatrix::identity, 1e-5));
        EXPECT_TRUE(f.transpose().asMatrix().isEquivalent(m.transpose(), 1e-6));
    }
    EXPECT_DOUBLE_EQ(scaled.det4x4(), -3.0);
    EXPECT_DOUBLE_EQ(scaled.det3x3(), -3.0);

    // Transposition swaps rows and columns.
    KMatrix t = general.transpose();
    for (unsigned r = 0; r < 4; ++r)
        for (unsigned c = 0; c < 4; ++c) EXPECT_EQ(t(r, c), general(c, r));

    // A singular matrix answers the identity instead of infinities.
    const KMatrix flat = fromRows({{1, 2, 3, 0}, {2, 4, 6, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    EXPECT_TRUE(flat.isSingular());
    EXPECT_TRUE(flat.inverse() == KMatrix::identity);
}

TEST(KMatrixValues, RowVectorProductsApplyTheLeftMatrixFirst) {
    const KMatrix scale = fromRows({{2, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    const KMatrix move = fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {10, 0, 0, 1}});
    struct Case {
        KMatrix m;
        KPoint expected;
    };
    const Case cases[] = {
        {scale * move, KPoint(12, 0, 0)},  // scale, then move
        {move * scale, KPoint(22, 0, 0)},  // move, then scale
    };
    for (const Case& c : cases) {
        EXPECT_TRUE((KPoint(1, 0, 0) * c.m).isEquivalent(c.expected));
        KFloatPoint fp = KFloatPoint(1, 0, 0) * KFloatMatrix(c.m);
        EXPECT_TRUE(fp.asPoint().isEquivalent(c.expected, 1e-5));
    }
    // p * (A * B) == (p * A) * B for a general matrix too.
    const KMatrix general =
        fromRows({{2, 1, 0, 0.5}, {0, 3, 1, 0}, {1, 0, 4, 0.25}, {0.5, 2, 1, 3}});
    KPoint p(0.3, -1.2, 2.0);
    EXPECT_TRUE((p * (general * move)).isEquivalent((p * general) * move, 1e-12));
    // Homogeneous division only when w is neither 0 nor 1.
    KPoint h(2, 4, 6, 2);
    EXPECT_TRUE(h.cartesianize().isEquivalent(KPoint(1, 2, 3, 1)));
    KPoint atInfinity(2, 4, 6, 0);
    EXPECT_TRUE(atInfinity.cartesianize().isEquivalent(KPoint(2, 4, 6, 0)));
}

TEST(KQuaternionValues, AngleAxisCompositionAndMatrixAgree) {
    struct Case {
        double angle;
        KVector axis, in, out;
    };
    // Positive angles turn counter-clockwise looking down the axis (right hand rule).
    const Case cases[] = {
        {kPi / 2, KVector::zAxis, KVector::xAxis, KVector::yAxis},
        {kPi / 2, KVector::xAxis, KVector::yAxis, KVector::zAxis},
        {kPi / 2, KVector::yAxis, KVector::zAxis, KVector::xAxis},
        {-kPi / 2, KVector(0, 0, 7), KVector::xAxis, -KVector::yAxis},  // axis need not be unit
        {kPi, KVector::zAxis, KVector(1, 1, 0), KVector(-1, -1, 0)},
        {2 * kPi / 3, KVector(1, 1, 1), KVector::xAxis, KVector::yAxis},
        {1.0, KVector::zero, KVector(1, 2, 3), KVector(1, 2, 3)},  // zero axis: identity
    };
    for (const Case& c : cases) {
        KQuaternion q(c.angle, c.axis);
        EXPECT_TRUE((c.in * q).isEquivalent(c.out, 1e-12)) << c.angle;
        EXPECT_TRUE((c.in * q.asMatrix()).isEquivalent(c.out, 1e-12)) << c.angle;
        // The inverse undoes the rotation; a rotation matrix is orthonormal.
        EXPECT_TRUE((c.out * q.inverse()).isEquivalent(c.in, 1e-12));
        EXPECT_TRUE(q.asMatrix().transpose().isEquivalent(q.asMatrix().inverse(), 1e-12));
        EXPECT_NEAR(q.asMatrix().det3x3(), 1.0, 1e-12);
    }

    // a * b rotates by a first: x -(z 90)-> y -(x 90)-> z.
    KQuaternion a(kPi / 2, KVector::zAxis), b(kPi / 2, KVector::xAxis);
    EXPECT_TRUE((KVector::xAxis * (a * b)).isEquivalent(KVector::zAxis, 1e-12));
    EXPECT_TRUE((KVector::xAxis * (b * a)).isEquivalent(KVector::yAxis, 1e-12));
    EXPECT_TRUE((a * a.inverse()).isEquivalent(KQuaternion::identity, 1e-12));

    KVector axis;
    double angle = -1.0;
    KQuaternion(0.8, KVector(0, 3, 0)).getAxisAngle(axis, angle);
    EXPECT_NEAR(angle, 0.8, 1e-12);
    EXPECT_TRUE(axis.isEquivalent(KVector::yAxis, 1e-12));
    KQuaternion::identity.getAxisAngle(axis, angle);
    EXPECT_EQ(angle, 0.0);
    EXPECT_TRUE(axis.isEquivalent(KVector::zAxis));

    // The rotation between two directions, including opposite ones.
    for (const auto& [from, to] : {std::pair{KVector(1, 0, 0), KVector(0, 0, 5)},
                                   std::pair{KVector(0, 2, 0), KVector(0, -1, 0)},
                                   std::pair{KVector(1, 1, 1), KVector(1, 1, 1)},
                                   std::pair{KVector(1, 0, 0), KVector(-1, 0, 0)}}) {
        KVector turned = from.normal() * KQuaternion(from, to);
        EXPECT_TRUE(turned.isEquivalent(to.normal(), 1e-12)) << to.x << " " << to.y << " " << to.z;
    }
}

TEST(KTransformationMatrixValues, ObjectAndWorldSpaceEdits) {
    const KQuaternion turnZ(kPi / 2, KVector::zAxis), turnX(kPi / 2, KVector::xAxis);
    struct Case {
        KSpace space;
        KVector translated;  // after adding (1, 0, 0) with scale (2, 3, 1) and rotation turnZ
    };
    const Case cases[] = {{KSpace::kObject, KVector(0, 2, 0)},
                          {KSpace::kWorld, KVector(1, 0, 0)},
                          {KSpace::kTransform, KVector(1, 0, 0)}};
    for (const Case& c : cases) {
        KTransformationMatrix tm;
        const double scale[3] = {2, 3, 1};
        tm.setScale(scale);
        tm.rotateBy(turnZ, KSpace::kWorld);
        tm.addTranslation(KVector(1, 0, 0), c.space);
        EXPECT_TRUE(tm.getTranslation().isEquivalent(c.translated, 1e-12)) << int(c.space);
    }

    // rotateBy in object space turns about the object's own axes: the object's x axis (world +y
    // after turnZ) stays put when turning about object x.
    KTransformationMatrix obj, world;
    obj.rotateBy(turnZ, KSpace::kWorld);
    world.rotateBy(turnZ, KSpace::kWorld);
    obj.rotateBy(turnX, KSpace::kObject);
    world.rotateBy(turnX, KSpace::kWorld);
    EXPECT_TRUE((KVector::xAxis * obj.asMatrix()).isEquivalent(KVector::yAxis, 1e-12));
    EXPECT_TRUE((KVector::xAxis * world.asMatrix()).isEquivalent(KVector::zAxis, 1e-12));
    EXPECT_TRUE((KVector::yAxis * obj.asMatrix()).isEquivalent(KVector::zAxis, 1e-12));

    // addScale multiplies; asMatrix scales, then rotates, then translates.
    KTransformationMatrix tm;
    const double twice[3] = {2, 2, 2}, stretch[3] = {1, 3, 0.5};
    tm.addScale(twice, KSpace::kObject);
    tm.addScale(stretch, KSpace::kObject);
    double got[3];
    tm.getScale(got);
    EXPECT_EQ(got[0], 2.0);
    EXPECT_EQ(got[1], 6.0);
    EXPECT_EQ(got[2], 1.0);
    tm.rotateBy(turnZ, KSpace::kWorld);
    tm.setTranslation(KVector(5, 0, 0));
    EXPECT_TRUE((KPoint(1, 1, 1) * tm.asMatrix()).isEquivalent(KPoint(5 - 6, 2, 1), 1e-12));

    // Decomposing a matrix with a mirror keeps the mirror and rebuilds the same matrix.
    const KMatrix mirrored = fromRows({{-2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 1, 0}, {7, 8, 9, 1}}) *
                             KQuaternion(0.4, KVector(1, 1, 0)).asMatrix();
    KTransformationMatrix back(mirrored);
    EXPECT_TRUE(back.asMatrix().isEquivalent(mirrored, 1e-12));
    back.getScale(got);
    EXPECT_LT(got[0] * got[1] * got[2], 0.0);
    double qx, qy, qz, qw;
    back.getRotationQuaternion(qx, qy, qz, qw);
    EXPECT_NEAR(qx * qx + qy * qy + qz * qz + qw * qw, 1.0, 1e-12);
}

TEST(KBoundingBoxValues, ExpandContainIntersectAndTransform) {
    KBoundingBox box(KPoint(2, 2, 2), KPoint(-2, 0, 1));  // corners in any order
    EXPECT_TRUE(box.min().isEquivalent(KPoint(-2, 0, 1)));
    EXPECT_TRUE(box.max().isEquivalent(KPoint(2, 2, 2)));
    EXPECT_TRUE(box.center().isEquivalent(KPoint(0, 1, 1.5)));
    EXPECT_EQ(box.width(), 4.0);

    struct Case {
        KPoint p;
        bool inside;
    };
    const Case cases[] = {{KPoint(0, 1, 1.5), true},     {KPoint(-2, 0, 1), true},  // corners count
                          {KPoint(2, 2, 2), true},       {KPoint(2.001, 1, 1.5), false},
                          {KPoint(0, -0.1, 1.5), false}, {KPoint(0, 1, 2.5), false}};
    for (const Case& c : cases) EXPECT_EQ(box.contains(c.p), c.inside) << c.p.x << c.p.y << c.p.z;

    // An empty box contains nothing, intersects nothing, and adds nothing when merged.
    KBoundingBox empty;
    EXPECT_FALSE(empty.contains(KPoint::origin));
    EXPECT_FALSE(empty.intersects(box));
    EXPECT_FALSE(box.intersects(empty));
    KBoundingBox merged = box;
    merged.expand(empty);
    EXPECT_TRUE(merged.min().isEquivalent(box.min()) && merged.max().isEquivalent(box.max()));
    empty.transformUsing(fromRows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {5, 5, 5, 1}}));
    EXPECT_TRUE(empty.isEmpty());

    KBoundingBox other(KPoint(3, 0, 0), KPoint(4, 1, 1));
    EXPECT_FALSE(box.intersects(other));
    EXPECT_TRUE(box.intersects(other, 1.0));  // touching within the tolerance
    merged.expand(other);
    EXPECT_TRUE(merged.max().isEquivalent(KPoint(4, 2, 2)));
    EXPECT_TRUE(merged.min().isEquivalent(KPoint(-2, 0, 0)));

    // Turning a unit square by 45 degrees widens its box to the diagonal.
    KBoundingBox square(KPoint(-0.5, -0.5, 0), KPoint(0.5, 0.5, 0));
    square.transformUsing(KQuaternion(kPi / 4, KVector::zAxis).asMatrix());
    EXPECT_NEAR(square.width(), std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(square.height(), std::sqrt(2.0), 1e-12);
    EXPECT_TRUE(square.center().isEquivalent(KPoint::origin, 1e-12));
    square.clear();
    EXPECT_TRUE(square.isEmpty());
    EXPECT_EQ(square.height(), 0.0);
}

TEST(KStringValues, NumberTextEdgeCases) {
    struct Case {
        KString built;
        const char* expected;
    };
    const Case cases[] = {
        {KString() + std::numeric_limits<int>::min(), "-2147483648"},
        {KString() + 4294967295u, "4294967295"},
        {KString() + -9000000000L, "-9000000000"},
        {KString() + 0.0, "0"},
        {KString() + 1e-300, "1e-300"},
        {KString() + 100.0, "100"},
        {KString() + 0.5f, "0.5"},
        {KString() + std::numeric_limits<float>::infinity(), "inf"},
        {KString() + -std::numeric_limits<float>::infinity(), "-inf"},
        {KString() + std::nanf(""), "nan"},
        {KString("x") + 1 + "," + 2.5, "x1,2.5"},
        {KString().set(0.25), "0.25"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.built, c.expected) << c.expected;

    // Negative zero keeps its sign through text.
    KString negativeZero = KString() + -0.0;
    EXPECT_TRUE(std::signbit(negativeZero.asDouble())) << negativeZero;
    // Floats written at float precision read back to the same float.
    for (float v : {0.1f, 1.0f / 3.0f, 3.4028235e38f, 1.17549435e-38f, -7.25f})
        EXPECT_EQ((KString() + v).asFloat(), v);
}

TEST(KStringValues, BadTextConvertsToZero) {
    struct Case {
        const char* text;
        bool isInt, isDouble;
    };
    const Case cases[] = {
        {"1e999", false, false},      // out of double range
        {"2147483648", false, true},  // just past int range
        {"--1", false, false},       {"+-1", false, false}, {"1 2", false, false},
        {"0x10", false, false},      {" \t", false, false}, {".", false, false},
        {"1.", false, true},         {"-.5", false, true},
    };
    for (const Case& c : cases) {
        KString s(c.text);
        EXPECT_EQ(s.isInt(), c.isInt) << c.text;
        EXPECT_EQ(s.isDouble(), c.isDouble) << c.text;
        if (!c.isInt) {
            EXPECT_EQ(s.asInt(), 0) << c.text;
        }
        if (!c.isDouble) {
            EXPECT_EQ(s.asDouble(), 0.0) << c.text;
        }
    }
    EXPECT_EQ(KString("-2147483648").asInt(), std::numeric_limits<int>::min());

    struct SplitCase {
        const char* text;
        char separator;
        KStringArray pieces;
    };
    const SplitCase splits[] = {
        {"", ' ', {}},         {"   ", ' ', {}},
        {"one", ' ', {"one"}}, {" a  b ", ' ', {"a", "b"}},
        {"x|y", ',', {"x|y"}}, {"|.|", '|', {"."}},
    };
    for (const SplitCase& c : splits) {
        KStringArray out({"stale"});
        EXPECT_TRUE(KString(c.text).split(c.separator, out));
        EXPECT_EQ(out, c.pieces) << '"' << c.text << '"';
    }
    EXPECT_EQ(KString("abc").substring(-5, 0), "a");
    EXPECT_EQ(KString("").substring(0, 0), "");
    EXPECT_EQ(KString("Tarn 2").toUpperCase(), "TARN 2");
    EXPECT_EQ(KString(static_cast<const char*>(nullptr)), "");
}

TEST(KStatusValues, EveryCodeHasItsDescription) {
    const char* expected[] = {"Success",
                              "Unexpected Internal Failure",
                              "Insufficient Memory",
                              "Invalid Parameter",
                              "License Failure",
                              "Unknown Parameter",
                              "Not Implemented",
                              "Object Not Found",
                              "End of File"};
    for (int code = 0; code < 9; ++code) {
        KStatus s(static_cast<KStatus::KStatusCode>(code));
        EXPECT_EQ(s.errorString(), expected[code]);
        EXPECT_STREQ(KStatus::description(code), expected[code]);
    }
    for (int code : {-1, 9, 1000}) EXPECT_STREQ(KStatus::description(code), "Unknown Status Code");
    // Unknown codes read as failures.
    KStatus odd(static_cast<KStatus::KStatusCode>(42));
    EXPECT_TRUE(odd.error());
    EXPECT_FALSE(static_cast<bool>(odd));
    EXPECT_EQ(odd.errorString(), "Unknown Status Code");
    odd.clear();
    EXPECT_TRUE(static_cast<bool>(odd));
    EXPECT_TRUE(KStatus() == KStatus::kSuccess);
    EXPECT_TRUE(KStatus(KStatus::kNotFound) != KStatus(KStatus::kEndOfFile));

    KStatus target(KStatus::kFailure);
    kSetStatus(&target, KStatus::kNotImplemented);
    EXPECT_EQ(target.statusCode(), KStatus::kNotImplemented);
    kSetStatus(nullptr, KStatus::kFailure);  // a null pointer is ignored

    // perror writes one error line per call and nothing on the other channels; nested captures
    // each see the text.
    tarn::output::Capture outer;
    {
        tarn::output::Capture inner;
        KStatus(KStatus::kSuccess).perror("");
        KStatus(static_cast<KStatus::KStatusCode>(77)).perror("probe");
        EXPECT_EQ(inner.errors(), ": Success\nprobe: Unknown Status Code\n");
    }
    EXPECT_EQ(outer.errors(), ": Success\nprobe: Unknown Status Code\n");
    EXPECT_EQ(outer.warnings(), "");
    EXPECT_EQ(outer.prints(), "");
}

TEST(KArrayValues, InsertRemoveSetAtTheBounds) {
    KStringArray a;
    EXPECT_FALSE(a.remove(0));
    EXPECT_FALSE(a.set("x", 0));
    EXPECT_FALSE(a.insert("x", 1));
    EXPECT_TRUE(a.insert("b", 0));  // insert at the end of an empty array
    EXPECT_TRUE(a.insert("a", 0));  // at the front
    EXPECT_TRUE(a.insert("c", 2));  // at the end
    EXPECT_EQ(a, KStringArray({"a", "b", "c"}));
    EXPECT_TRUE(a.set("B", 1));
    EXPECT_FALSE(a.set("?", 3));
    EXPECT_TRUE(a.remove(2));  // the last
    EXPECT_FALSE(a.remove(2));
    EXPECT_EQ(a, KStringArray({"a", "B"}));

    KDoubleArray d(3, 1.5);
    double out[3] = {0, 0, 0};
    d.get(out);
    EXPECT_EQ(out[2], 1.5);
    d.setLength(1);
    EXPECT_EQ(d.length(), 1u);
    d.setSizeIncrement(100);
    EXPECT_EQ(d.length(), 1u);
    const KPoint pts[2] = {KPoint(1, 2, 3), KPoint(4, 5, 6)};
    KPointArray p(pts, 2);
    EXPECT_EQ(p[1], KPoint(4, 5, 6));
    EXPECT_EQ(p[0].w, 1.0);
    p.clear();
    EXPECT_EQ(p.length(), 0u);
}

}  // namespace
