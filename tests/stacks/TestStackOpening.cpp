#include "Data.h"
#include "StackTestSupport.h"
#include "TestRegistry.h"
#include "Tiff.h"

#include "stacks/ImageStack.h"
#include "stacks/StackOpening.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using StackTest::Page;
using StackTest::RecordingSink;

Q_DECLARE_METATYPE(std::vector<Page>)

// Opening TIFF files as stacks: which class, what is read, what the log shows.
class TestStackOpening : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString PathOf(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void classFollowsPageSizes_data()
    {
        QTest::addColumn<std::vector<Page>>("pages");
        QTest::addColumn<bool>("fixedSize");
        QTest::addColumn<uint32_t>("width");
        QTest::addColumn<uint32_t>("height");
        QTest::newRow("equal, 16-bit") << std::vector<Page>{{6, 4, 16}, {6, 4, 16}, {6, 4, 16}} << true << 6u << 4u;
        QTest::newRow("one page") << std::vector<Page>{{3, 5}} << true << 3u << 5u;
        QTest::newRow("wider second") << std::vector<Page>{{6, 4}, {9, 3}} << false << 9u << 4u;
        QTest::newRow("larger last") << std::vector<Page>{{2, 2}, {1, 1}, {3, 7}} << false << 3u << 7u;
    }

    void classFollowsPageSizes()
    {
        QFETCH(std::vector<Page>, pages);
        QFETCH(bool, fixedSize);
        QFETCH(uint32_t, width);
        QFETCH(uint32_t, height);
        const QString path = PathOf("sizes.tif");
        QVERIFY(StackTest::WriteTiff(path, pages));

        RecordingSink sink;
        std::unique_ptr<VariableImageStack> stack = StackOpening::OpenTiff(path);
        QVERIFY(stack);
        QCOMPARE(dynamic_cast<ImageStack*>(stack.get()) != nullptr, fixedSize);
        QCOMPARE(stack->GetType(), fixedSize ? LVX::ImageStackType : LVX::VariableImageStackType);
        QCOMPARE(stack->GetSliceCount(), uint32_t(pages.size()));
        QCOMPARE(stack->GetWidth(), width);
        QCOMPARE(stack->GetHeight(), height);
        QCOMPARE(stack->GetMaxWidth(), width);
        QCOMPARE(stack->GetMaxHeight(), height);
        std::vector<uint32_t> widths;
        std::vector<uint32_t> heights;
        for (const Page& p : pages) {
            widths.push_back(uint32_t(p.width));
            heights.push_back(uint32_t(p.height));
        }
        QCOMPARE(stack->GetSliceWidths(), widths);
        QCOMPARE(stack->GetSliceHeights(), heights);
        // The file's first row is the picture's top row.
        for (int y = 0; y < pages[0].height; ++y)
            for (int x = 0; x < pages[0].width; ++x)
                QCOMPARE(stack->GetValue(x, y, 0), float(x + y));
        if (fixedSize)
            QCOMPARE(dynamic_cast<ImageStack*>(stack.get())->GetPixelType(),
                pages[0].bits == 8 ? Image::BYTE : Image::USHORT);
        QCOMPARE(stack->GetName(), QString("sizes.tif"));
        QCOMPARE(stack->GetFile().absoluteFilePath(), QFileInfo(path).absoluteFilePath());
        QVERIFY(stack->GetError().isEmpty());

        const QString loading = "> Loading " + path + ", " + QString::number(QFileInfo(path).size()) + " Bytes...";
        QCOMPARE(sink.lines, QStringList{loading});
        QCOMPARE(sink.dated, QList<bool>{true});
    }

    void spacing_data()
    {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<float>("xPixelsPerUnit");
        QTest::addColumn<float>("yPixelsPerUnit");
        QTest::addColumn<float>("spacing");
        QTest::addColumn<QString>("warning"); // %1 is the path

        const QByteArray none;
        QTest::newRow("ImageJ value") << StackTest::ImageJDescription(2, "2.5") << 4.0f << 4.0f << 2.5f << QString();
        QTest::newRow("ImageJ value, unequal resolution")
            << StackTest::ImageJDescription(2, "0.75") << 4.0f << 2.0f << 0.75f << QString();
        QTest::newRow("ImageJ zero") << StackTest::ImageJDescription(2, "0") << 4.0f << 4.0f << 1.0f << QString();
        QTest::newRow("no description, equal resolution") << none << 4.0f << 4.0f << 0.25f << QString();
        QTest::newRow("no description, unequal resolution") << none << 4.0f << 2.0f << 1.0f << QString();
        QTest::newRow("no description, no resolution") << none << 0.0f << 0.0f << 1.0f << QString();
        QTest::newRow("ImageJ without spacing")
            << QByteArray("ImageJ=1.53t\nimages=2\nslices=2\n") << 5.0f << 5.0f << 0.2f << QString();
        QTest::newRow("not a number") << StackTest::ImageJDescription(2, "abc") << 4.0f << 4.0f << 0.25f
                                      << QString("WARNING: Spacing of %1 is not a number: abc");
        QTest::newRow("not a number, unequal resolution") << StackTest::ImageJDescription(
            2, "1,5") << 4.0f << 2.0f << 1.0f << QString("WARNING: Spacing of %1 is not a number: 1,5");
        QTest::newRow("beyond float") << StackTest::ImageJDescription(2, "1e60") << 4.0f << 4.0f << 0.25f
                                      << QString("WARNING: Spacing of %1 is out of range: 1e60");
    }

    void spacing()
    {
        QFETCH(QByteArray, description);
        QFETCH(float, xPixelsPerUnit);
        QFETCH(float, yPixelsPerUnit);
        QFETCH(float, spacing);
        QFETCH(QString, warning);
        const Page page{3, 2, 8, xPixelsPerUnit, yPixelsPerUnit, description};
        const QString path = PathOf("spacing.tif");
        QVERIFY(StackTest::WriteTiff(path, {page, page}));

        RecordingSink sink;
        ImageStack stack{QFileInfo(path)};
        QCOMPARE(stack.GetSliceCount(), 2u);
        QCOMPARE(float(stack.GetSpacing()), spacing);
        const QStringList expected = warning.isEmpty() ? QStringList() : QStringList{warning.arg(path)};
        QCOMPARE(sink.lines, expected);
    }

    void readingDrivesTheProgressDisplay()
    {
        std::vector<Page> pages(25);
        const QString path = PathOf("progress.tif");
        QVERIFY(StackTest::WriteTiff(path, pages));

        RecordingSink sink;
        VariableImageStack stack{QFileInfo(path)};
        QCOMPARE(stack.GetSliceCount(), 25u);
        const QStringList& p = sink.progress;
        QCOMPARE(p.value(0), QString("show"));
        QCOMPARE(p.last(), QString("hide"));
        QCOMPARE(p.count("show"), 1);
        QCOMPARE(p.count("hide"), 1);
        QVERIFY(p.contains("text Reading tags..."));
        QVERIFY(p.indexOf("busy") < p.indexOf("max 25"));
        QStringList values;
        for (const QString& entry : p)
            if (entry.startsWith("value "))
                values << entry;
        QCOMPARE(values, (QStringList{"value 0", "value 10", "value 20"}));
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::newRow("missing") << "missing.tif" << QByteArray();
        QTest::newRow("text") << "garbage.tif" << QByteArray("this is not a TIFF file, only text\n");
        QTest::newRow("empty") << "empty.tif" << QByteArray("");
        QTest::newRow("header only") << "header.tif" << QByteArray("II*\0", 4);
        QTest::newRow("directory beyond the end") << "beyond.tif" << QByteArray("II*\0\xff\xff\xff\x0f", 8);
    }

    void unreadableFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = PathOf(name);
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        RecordingSink sink;
        QVERIFY(!StackOpening::OpenTiff(path));
        QCOMPARE(sink.lines, QStringList{"ERROR: Could not open file: " + path});
    }

    void damagedPages_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("damaged"); // 0-based
        QTest::addColumn<QString>("warning");    // %1 is the path; empty: no stack at all
        const QString beyond = "its data lie beyond the end of the file (the file may be truncated)";
        QTest::newRow("the only page") << 1 << QList<int>{0} << QString();
        QTest::newRow("every page") << 2 << QList<int>{0, 1} << QString();
        QTest::newRow("first and last") << 3 << QList<int>{0, 2}
                                        << "WARNING: Could not read pages 1, 3 of %1; they are left empty. Page 3: "
                + beyond;
        QTest::newRow("a run") << 6 << QList<int>{1, 2, 3}
                               << "WARNING: Could not read pages 2-4 of %1; they are left empty. Page 4: " + beyond;
    }

    void damagedPages()
    {
        QFETCH(int, count);
        QFETCH(QList<int>, damaged);
        QFETCH(QString, warning);
        // A stack of our own layout whose damaged pages point their strip far beyond the end.
        std::vector<std::unique_ptr<Image>> slices;
        std::vector<const Image*> pointers;
        for (int z = 0; z < count; ++z) {
            slices.push_back(
                StackTest::MakeImage(4, 3, Image::USHORT, [z](int x, int y) { return float(1 + x + 4 * y + 20 * z); }));
            pointers.push_back(slices.back().get());
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(Tiff::WriteStack(buffer, pointers, 2.0f, "px") > 0);
        QByteArray bytes = buffer.data();
        auto* p = reinterpret_cast<unsigned char*>(bytes.data());
        uint32_t offset = Data::UInt(p + 4);
        for (int z = 0; offset != 0; ++z) {
            const uint16_t entries = Data::UShort(p + offset);
            for (uint16_t e = 0; e < entries; ++e)
                if (damaged.contains(z) && Data::UShort(p + offset + 2 + 12 * e) == 273)
                    Data::ToBytes(p + offset + 2 + 12 * e + 8, uint32_t(0x40000000));
            offset = Data::UInt(p + offset + 2 + 12 * entries);
        }
        const QString path = PathOf("damaged.tif");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        RecordingSink sink;
        const std::unique_ptr<VariableImageStack> stack = StackOpening::OpenTiff(path);
        QCOMPARE(sink.lines.size(), 2);
        QVERIFY(sink.lines.first().startsWith("> Loading " + path));
        if (warning.isEmpty()) {
            QVERIFY(!stack);
            QVERIFY2(
                sink.lines.last().startsWith("ERROR: Could not read " + path + ": "), qPrintable(sink.lines.last()));
            return;
        }
        QVERIFY(stack);
        QCOMPARE(sink.lines.last(), warning.arg(path));
        auto* fixed = dynamic_cast<ImageStack*>(stack.get());
        QVERIFY(fixed);
        QCOMPARE(stack->GetSliceCount(), uint32_t(count));
        QCOMPARE(fixed->GetWidth(), 4u);
        QCOMPARE(fixed->GetPixelType(), Image::USHORT);
        // Empty slices read as 0 everywhere, also across the stack and when scaled.
        const std::unique_ptr<Image> plane = fixed->GetXZPlane(1);
        const std::unique_ptr<VariableImageStack> scaled = fixed->Scale(0.5, 1.0, 1.0);
        QVERIFY(plane && scaled);
        QCOMPARE(scaled->GetSliceCount(), uint32_t(count));
        for (int z = 0; z < count; ++z) {
            const float expected = damaged.contains(z) ? 0.0f : float(1 + 2 + 4 * 1 + 20 * z);
            QCOMPARE(!stack->GetImage(uint32_t(z)), damaged.contains(z));
            QCOMPARE(stack->GetValue(2, 1, z), expected);
            QCOMPARE(plane->GetFloat(2, z), expected);
            QCOMPARE(stack->GetDdx(uint32_t(z)) == nullptr, damaged.contains(z));
        }
    }
};

LUMIVOX_REGISTER_TEST(TestStackOpening)
#include "TestStackOpening.moc"
