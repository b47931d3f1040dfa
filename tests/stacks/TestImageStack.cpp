#include "ScopedKernels.h"
#include "StackTestSupport.h"
#include "TestRegistry.h"

#include "stacks/ImageStack.h"

#include <QBuffer>
#include <QXmlStreamWriter>
#include <QtTest>

using StackTest::MakeImage;

Q_DECLARE_METATYPE(RATIONAL)

namespace {

using Voxel = std::function<float(int, int, int)>;

// A fixed-size stack whose voxel (x, y, z) is value(x, y, z).
std::unique_ptr<ImageStack> MakeStack(int width, int height, int count, Image::Type type, const Voxel& value)
{
    auto stack = std::make_unique<ImageStack>(
        uint32_t(width), uint32_t(height), type, RATIONAL(1, 2), RATIONAL(1, 2), RATIONAL(3, 1), "mm");
    for (int z = 0; z < count; ++z)
        stack->AppendImage(MakeImage(
            width, height, type, [&](int x, int y) { return value(x, y, z); }, RATIONAL(1, 2), RATIONAL(1, 2), "mm"));
    return stack;
}

} // namespace

// The stack's slices, voxels, derivative cache and planes, on stacks built in memory.
class TestImageStack : public QObject {
    Q_OBJECT

private:
    ScopedKernels kernels;

private slots:
    // Each kind of stack writes its own element and keeps its own type.
    void identity_data()
    {
        QTest::addColumn<bool>("fixedSize");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("element");
        QTest::newRow("image stack") << true << int(LVX::ImageStackType) << "<image_stack/>";
        QTest::newRow("variable image stack") << false << int(LVX::VariableImageStackType) << "<variable_image_stack/>";
    }

    void identity()
    {
        QFETCH(bool, fixedSize);
        QFETCH(QString, element);
        std::unique_ptr<VariableImageStack> stack;
        if (fixedSize)
            stack = std::make_unique<ImageStack>(4, 3, Image::BYTE, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "");
        else
            stack = std::make_unique<VariableImageStack>(RATIONAL(5, 2));
        QTEST(int(stack->GetType()), "type");
        QCOMPARE(stack->GetFileTypes().filter, QString("TIFF image (*.tif)"));
        QCOMPARE(stack->GetSliceCount(), 0u);
        QCOMPARE(stack->GetMaxWidth(), 0u);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QXmlStreamWriter xml(&buffer);
        QVERIFY(stack->WriteXml(xml));
        xml.writeEndElement();
        QCOMPARE(QString::fromUtf8(buffer.data()), element);
    }

    void sliceAccessorsOutOfRange()
    {
        auto stack = MakeStack(4, 3, 2, Image::USHORT, [](int, int, int) { return 1.0f; });
        const uint32_t count = stack->GetSliceCount();
        QCOMPARE(count, 2u);
        QCOMPARE(stack->GetSliceWidth(count - 1), 4u);
        QCOMPARE(stack->GetSliceWidth(count), 0u);
        QCOMPARE(stack->GetSliceHeight(count), 0u);
        QCOMPARE(stack->GetSliceXResolution(count), RATIONAL(0));
        QCOMPARE(stack->GetSliceYResolution(count), RATIONAL(0));
        QCOMPARE(stack->GetSliceUnit(count), std::string());
        QCOMPARE(stack->GetSliceUnit(0), std::string("mm"));
        QVERIFY(stack->GetImage(count) == nullptr);
        QVERIFY(stack->GetDdx(count) == nullptr);
        QCOMPARE(stack->GetValue(0, 0, int(count)), 0.0f);
        QCOMPARE(stack->GetValue(4, 0, 0), 0.0f);
        QCOMPARE(stack->GetValue(-1, 0, 0), 0.0f);
        QCOMPARE(stack->GetValue(3, 2, 1), 1.0f);
    }

    void sliceResolutionIsTruncated_data()
    {
        QTest::addColumn<RATIONAL>("resolution");
        QTest::addColumn<RATIONAL>("expected");
        QTest::newRow("whole") << RATIONAL(6, 1) << RATIONAL(6);
        QTest::newRow("three and a half") << RATIONAL(7, 2) << RATIONAL(3);
        QTest::newRow("below one") << RATIONAL(1, 4) << RATIONAL(0);
        QTest::newRow("just below five") << RATIONAL(4999, 1000) << RATIONAL(4);
    }

    void sliceResolutionIsTruncated()
    {
        QFETCH(RATIONAL, resolution);
        QFETCH(RATIONAL, expected);
        VariableImageStack stack(RATIONAL(1, 1));
        stack.AppendImage(Image::FromType(2, 2, Image::BYTE, resolution, RATIONAL(9, 1), "um"));
        QCOMPARE(stack.GetSliceXResolution(0), expected);
        QCOMPARE(stack.GetSliceYResolution(0), RATIONAL(9));
    }

    void appendImageTakesOwnership()
    {
        VariableImageStack stack(RATIONAL(1, 1));
        auto image = Image::FromType(3, 2, Image::FLOAT, RATIONAL(1, 1), RATIONAL(1, 1), "px");
        Image* raw = image.get();
        stack.AppendImage(std::move(image));
        stack.AppendImage(nullptr);
        QCOMPARE(stack.GetSliceCount(), 1u);
        QCOMPARE(stack.GetImage(0), raw);
        stack.AppendImage(Image::FromType(7, 1, Image::FLOAT, RATIONAL(1, 1), RATIONAL(1, 1), "px"));
        QCOMPARE(stack.GetSliceCount(), 2u);
        QCOMPARE(stack.GetWidth(), 7u);
        QCOMPARE(stack.GetHeight(), 2u);
        QVERIFY(stack.GetDdx(1) != nullptr); // the cache grows with the slices
    }

    void derivativeIsComputedOnce_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("ddx") << 0;
        QTest::newRow("ddy") << 1;
        QTest::newRow("laplace") << 2;
    }

    void derivativeIsComputedOnce()
    {
        QFETCH(int, kind);
        auto stack = MakeStack(5, 4, 3, Image::FLOAT, [](int x, int y, int z) { return float(x * x + 3 * y + z); });
        const auto get = [&](uint32_t z) {
            return kind == 0 ? stack->GetDdx(z) : kind == 1 ? stack->GetDdy(z) : stack->GetLaplace(z);
        };
        Image* first = get(1);
        QVERIFY(first);
        const Image* slice = stack->GetImage(1);
        const auto fresh = kind == 0 ? slice->ddx() : kind == 1 ? slice->ddy() : slice->laplace();
        QCOMPARE(first->width, fresh->width);
        QCOMPARE(first->height, fresh->height);
        for (int y = 0; y < fresh->height; ++y)
            for (int x = 0; x < fresh->width; ++x)
                QCOMPARE(first->GetFloat(x, y), fresh->GetFloat(x, y));

        // A mark in the cached image survives the second request: nothing was recomputed.
        first->Set(2, 2, 12345.0f);
        Image* second = get(1);
        QCOMPARE(second, first);
        QCOMPARE(second->GetFloat(2, 2), 12345.0f);
        QVERIFY(get(0) != first);
    }

    void planes_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("byte") << int(Image::BYTE);
        QTest::newRow("ushort") << int(Image::USHORT);
        QTest::newRow("uint") << int(Image::UINT);
        QTest::newRow("float") << int(Image::FLOAT);
        QTest::newRow("rgb") << int(Image::RGB);
    }

    void planes()
    {
        QFETCH(int, type);
        const int width = 4;
        const int height = 3;
        const int count = 5;
        const Voxel value = [](int x, int y, int z) { return float(1 + x + 4 * y + 16 * z); };
        auto stack = MakeStack(width, height, count, Image::Type(type), value);
        QCOMPARE(qRound(stack->GetValue(3, 2, 4)), qRound(value(3, 2, 4))); // distinct voxels

        for (int y = 0; y < height; ++y) {
            const auto xz = stack->GetXZPlane(uint32_t(y));
            QVERIFY(xz);
            QCOMPARE(xz->width, width);
            QCOMPARE(xz->height, count);
            QCOMPARE(int(xz->GetType()), type);
            QCOMPARE(xz->GetXResolution(), RATIONAL(1, 1));
            QCOMPARE(xz->GetYResolution(), RATIONAL(1, 1));
            QCOMPARE(xz->GetResUnit(), std::string("px"));
            for (int z = 0; z < count; ++z)
                for (int x = 0; x < width; ++x)
                    QCOMPARE(xz->GetFloat(x, z), stack->GetImage(uint32_t(z))->GetFloat(x, y));
        }
        for (int x = 0; x < width; ++x) {
            const auto zy = stack->GetZYPlane(uint32_t(x));
            QVERIFY(zy);
            QCOMPARE(zy->width, count);
            QCOMPARE(zy->height, height);
            QCOMPARE(int(zy->GetType()), type);
            QCOMPARE(zy->GetResUnit(), std::string("px"));
            for (int y = 0; y < height; ++y)
                for (int z = 0; z < count; ++z)
                    QCOMPARE(zy->GetFloat(z, y), stack->GetImage(uint32_t(z))->GetFloat(x, y));
        }
        QVERIFY(!stack->GetXZPlane(uint32_t(height)));
        QVERIFY(!stack->GetZYPlane(uint32_t(width)));
    }

    void interpolate_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<float>("z");
        QTest::addColumn<float>("expected");
        // Voxel (x, y, z) holds x^2 + 3 y^2 + 7 z^2, which is not trilinear: only the right
        // weights give these values.
        QTest::newRow("origin") << 0.0f << 0.0f << 0.0f << 0.0f;
        QTest::newRow("voxel centre") << 2.0f << 1.0f << 2.0f << 35.0f;
        QTest::newRow("last voxel") << 3.0f << 2.0f << 2.0f << 49.0f;
        QTest::newRow("cube midpoint") << 0.5f << 0.5f << 0.5f << 5.5f;
        QTest::newRow("midpoint along y") << 1.0f << 1.5f << 2.0f << 36.5f;
        QTest::newRow("midpoint along z") << 2.0f << 0.0f << 1.5f << 21.5f;
        QTest::newRow("quarter along x") << 0.25f << 1.0f << 1.0f << 10.25f;
        QTest::newRow("three quarters along z") << 1.0f << 2.0f << 0.75f << 18.25f;
    }

    void interpolate()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(float, z);
        QFETCH(float, expected);
        auto stack = MakeStack(
            4, 3, 3, Image::FLOAT, [](int i, int j, int k) { return float(i * i + 3 * j * j + 7 * k * k); });
        QCOMPARE(stack->Interpolate(x, y, z), expected);
    }

    void interpolateOutsideIsZero()
    {
        auto stack = MakeStack(2, 2, 2, Image::USHORT, [](int, int, int) { return 8.0f; });
        QCOMPARE(stack->Interpolate(1.5f, 0.0f, 0.0f), 4.0f); // half of the weight lies outside
        QCOMPARE(stack->Interpolate(-5.0f, 0.0f, 0.0f), 0.0f);
        QCOMPARE(stack->Interpolate(0.0f, 0.0f, 1e20f), 0.0f);
        QCOMPARE(stack->Interpolate(std::nanf(""), 0.0f, 0.0f), 0.0f);
    }

    void neighbourMean_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("z");
        QTest::addColumn<float>("meanX");
        QTest::addColumn<float>("meanY");
        QTest::addColumn<float>("meanZ");
        // Voxel (x, y, z) of a 3 x 3 x 3 stack holds 1 + x + 10 y + 100 z.
        QTest::newRow("inside") << 1 << 1 << 1 << 112.0f << 112.0f << 112.0f;
        QTest::newRow("first corner") << 0 << 0 << 0 << 1.0f << 5.5f << 50.5f;
        QTest::newRow("last corner") << 2 << 2 << 2 << 111.0f << 106.5f << 61.5f;
        QTest::newRow("left face") << 0 << 1 << 1 << 56.0f << 111.0f << 111.0f;
        QTest::newRow("top slice") << 1 << 1 << 2 << 212.0f << 212.0f << 56.0f;
    }

    void neighbourMean()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, z);
        QFETCH(float, meanX);
        QFETCH(float, meanY);
        QFETCH(float, meanZ);
        auto stack
            = MakeStack(3, 3, 3, Image::USHORT, [](int i, int j, int k) { return float(1 + i + 10 * j + 100 * k); });
        QCOMPARE(stack->GetNeighbourMean(x, y, z), (std::array<float, 3>{meanX, meanY, meanZ}));
    }

    void cloneIsDeep()
    {
        auto stack = MakeStack(3, 2, 2, Image::USHORT, [](int x, int y, int z) { return float(x + 3 * y + 6 * z); });
        stack->SetName("stack 1");
        stack->SetId(7);
        stack->SetChanged(false);
        Image* cachedDdx = stack->GetDdx(0);
        QVERIFY(cachedDdx);
        std::unique_ptr<LVXObject> clone(stack->Clone());
        auto* copy = dynamic_cast<ImageStack*>(clone.get());
        QVERIFY(copy);
        QCOMPARE(copy->GetName(), QString("stack 1"));
        QCOMPARE(copy->GetId(), NoId);
        QCOMPARE(copy->IsChanged(), false);
        QCOMPARE(copy->GetPixelType(), Image::USHORT);
        QCOMPARE(copy->GetResUnit(), std::string("mm"));
        QCOMPARE(copy->GetXResolution(), RATIONAL(1, 2));
        QCOMPARE(copy->GetSpacing(), RATIONAL(3, 1));
        QVERIFY(copy->GetImage(1) != stack->GetImage(1));
        QVERIFY(copy->GetDdx(0) != cachedDdx);
        QCOMPARE(copy->GetDdx(0)->GetFloat(1, 1), cachedDdx->GetFloat(1, 1));
        copy->GetImage(1)->Set(2, 1, 99.0f);
        QCOMPARE(stack->GetValue(2, 1, 1), float(2 + 3 + 6));
        QCOMPARE(copy->GetValue(2, 1, 1), 99.0f);

        VariableImageStack variable(RATIONAL(4, 1));
        variable.AppendImage(Image::FromType(2, 5, Image::BYTE, RATIONAL(1, 1), RATIONAL(1, 1), "px"));
        std::unique_ptr<LVXObject> variableClone(variable.Clone());
        auto* variableCopy = dynamic_cast<VariableImageStack*>(variableClone.get());
        QVERIFY(variableCopy);
        QVERIFY(!dynamic_cast<ImageStack*>(variableClone.get()));
        QCOMPARE(variableCopy->GetSpacing(), RATIONAL(4, 1));
        QCOMPARE(variableCopy->GetSliceHeights(), std::vector<uint32_t>{5});
    }
};

LUMIVOX_REGISTER_TEST(TestImageStack)
#include "TestImageStack.moc"
