#include "StackTestSupport.h"
#include "TestRegistry.h"

#include "stacks/ImageStack.h"

#include <QtTest>

using StackTest::MakeImage;
using StackTest::RecordingSink;

namespace {

std::unique_ptr<ImageStack> MakeStack(
    int width, int height, int count, Image::Type type, const std::function<float(int, int, int)>& value)
{
    auto stack = std::make_unique<ImageStack>(
        uint32_t(width), uint32_t(height), type, RATIONAL(1, 3), RATIONAL(1, 5), RATIONAL(7, 2), "nm");
    for (int z = 0; z < count; ++z)
        stack->AppendImage(MakeImage(
            width, height, type, [&](int x, int y) { return value(x, y, z); }, RATIONAL(1, 3), RATIONAL(1, 5), "nm"));
    return stack;
}

} // namespace

// Scaling stacks in the plane and along z.
class TestStackScale : public QObject {
    Q_OBJECT

private slots:
    void constantStackStaysConstant_data()
    {
        QTest::addColumn<double>("fx");
        QTest::addColumn<double>("fy");
        QTest::addColumn<double>("fz");
        QTest::addColumn<uint32_t>("width");
        QTest::addColumn<uint32_t>("height");
        QTest::addColumn<uint32_t>("count");
        // The source is 8 x 6 x 5.
        QTest::newRow("identity") << 1.0 << 1.0 << 1.0 << 8u << 6u << 5u;
        QTest::newRow("half, double, one and a half") << 0.5 << 2.0 << 1.5 << 4u << 12u << 7u;
        QTest::newRow("fractions truncate") << 1.3 << 0.7 << 2.2 << 10u << 4u << 11u;
        QTest::newRow("fewer slices") << 1.0 << 1.0 << 0.3 << 8u << 6u << 1u;
        QTest::newRow("no slice left") << 1.0 << 1.0 << 0.1 << 8u << 6u << 0u;
    }

    void constantStackStaysConstant()
    {
        QFETCH(double, fx);
        QFETCH(double, fy);
        QFETCH(double, fz);
        QFETCH(uint32_t, width);
        QFETCH(uint32_t, height);
        QFETCH(uint32_t, count);
        auto stack = MakeStack(8, 6, 5, Image::USHORT, [](int, int, int) { return 37.0f; });
        const auto scaledStack = stack->Scale(fx, fy, fz);
        auto* scaled = dynamic_cast<ImageStack*>(scaledStack.get());
        QVERIFY(scaled);
        QCOMPARE(scaled->GetWidth(), width);
        QCOMPARE(scaled->GetHeight(), height);
        QCOMPARE(scaled->GetSliceCount(), count);
        QCOMPARE(scaled->GetPixelType(), Image::USHORT);
        QCOMPARE(scaled->GetXResolution(), RATIONAL(1, 3));
        QCOMPARE(scaled->GetYResolution(), RATIONAL(1, 5));
        QCOMPARE(scaled->GetSpacing(), RATIONAL(7, 2));
        QCOMPARE(scaled->GetResUnit(), std::string("nm"));
        for (uint32_t z = 0; z < count; ++z) {
            const Image* slice = scaled->GetImage(z);
            QCOMPARE(uint32_t(slice->width), width);
            for (int y = 0; y < slice->height; ++y)
                for (int x = 0; x < slice->width; ++x)
                    QCOMPARE(slice->GetFloat(x, y), 37.0f);
        }
    }

    void cubicWindowAlongZ_data()
    {
        QTest::addColumn<double>("fz");
        QTest::addColumn<uint32_t>("slice");
        QTest::addColumn<float>("expected");
        // Source slices 0 .. 4 hold 0, 10, 20, 30, 40. Catmull-Rom through a straight line is the
        // line; at the ends the window repeats the first or the last slice.
        QTest::newRow("first slice") << 2.0 << 0u << 0.0f;
        QTest::newRow("first half step") << 2.0 << 1u << 4.375f;
        QTest::newRow("source slice 2") << 2.0 << 4u << 20.0f;
        QTest::newRow("inside half step") << 2.0 << 5u << 25.0f;
        QTest::newRow("last source slice") << 2.0 << 8u << 40.0f;
        QTest::newRow("beyond the last") << 2.0 << 9u << 40.625f;
        QTest::newRow("quarter steps") << 4.0 << 6u << 15.0f;
        QTest::newRow("skipping slices") << 0.5 << 1u << 20.0f;
        QTest::newRow("skipping to the end") << 0.4 << 1u << 25.0f;
    }

    void cubicWindowAlongZ()
    {
        QFETCH(double, fz);
        QFETCH(uint32_t, slice);
        QFETCH(float, expected);
        auto stack = MakeStack(3, 2, 5, Image::FLOAT, [](int, int, int z) { return float(10 * z); });
        const auto scaled = stack->Scale(1.0, 1.0, fz);
        QVERIFY(scaled);
        QCOMPARE(scaled->GetSliceCount(), uint32_t(5 * fz));
        QVERIFY(slice < scaled->GetSliceCount());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(scaled->GetValue(x, y, int(slice)), expected);
    }

    void shortStacks_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("one slice") << 1;
        QTest::newRow("two slices") << 2;
    }

    void shortStacks()
    {
        QFETCH(int, count);
        auto stack = MakeStack(2, 2, count, Image::FLOAT, [](int, int, int z) { return float(8 * z); });
        const auto scaled = stack->Scale(1.0, 1.0, 2.0);
        QVERIFY(scaled);
        QCOMPARE(scaled->GetSliceCount(), uint32_t(2 * count));
        // Missing neighbours repeat the last slice: the values stay near the source range.
        QCOMPARE(scaled->GetValue(0, 0, 0), 0.0f);
        const float last = float(8 * (count - 1));
        for (uint32_t z = 0; z < scaled->GetSliceCount(); ++z) {
            QVERIFY(scaled->GetValue(1, 1, int(z)) >= 0.0f);
            QVERIFY(scaled->GetValue(1, 1, int(z)) <= last + 1.0f);
        }
        QCOMPARE(scaled->GetValue(1, 1, int(2 * count - 1)), count == 1 ? 0.0f : 8.5f);
    }

    void variableStackScalesEachSlice()
    {
        VariableImageStack stack(RATIONAL(9, 2));
        stack.AppendImage(MakeImage(4, 2, Image::BYTE, [](int, int) { return 50.0f; }));
        stack.AppendImage(MakeImage(7, 9, Image::BYTE, [](int, int) { return 60.0f; }));
        const auto scaled = stack.Scale(0.5, 1.5, 3.0);
        QVERIFY(scaled);
        QCOMPARE(scaled->GetType(), LVX::VariableImageStackType);
        QCOMPARE(scaled->GetSpacing(), RATIONAL(1, 1));
        QCOMPARE(scaled->GetSliceWidths(), (std::vector<uint32_t>{2, 3}));
        QCOMPARE(scaled->GetSliceHeights(), (std::vector<uint32_t>{3, 13}));
        QCOMPARE(scaled->GetValue(1, 2, 0), 50.0f);
        QCOMPARE(scaled->GetValue(2, 12, 1), 60.0f);
    }

    void unusableFactors_data()
    {
        QTest::addColumn<double>("fx");
        QTest::addColumn<double>("fz");
        QTest::newRow("zero") << 0.0 << 1.0;
        QTest::newRow("negative") << -1.0 << 1.0;
        QTest::newRow("not a number") << std::nan("") << 1.0;
        QTest::newRow("too large") << 1e12 << 1.0;
        QTest::newRow("zero along z") << 1.0 << 0.0;
    }

    void unusableFactors()
    {
        QFETCH(double, fx);
        QFETCH(double, fz);
        auto stack = MakeStack(4, 4, 2, Image::BYTE, [](int, int, int) { return 1.0f; });
        RecordingSink sink;
        QVERIFY(!stack->Scale(fx, 1.0, fz));
        QCOMPARE(sink.lines.size(), 1);
        QVERIFY(sink.lines.first().startsWith("ERROR: Cannot scale "));
        QCOMPARE(stack->GetSliceCount(), 2u);
    }
};

LUMIVOX_REGISTER_TEST(TestStackScale)
#include "TestStackScale.moc"
