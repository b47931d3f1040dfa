#include "TestRegistry.h"

#include "ScriptedPrompter.h"
#include "app/ObjectFiles.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Log.h"
#include "stacks/VariableImageStack.h"
#include "transforms/SliceMatrixSource.h"
#include "ui/LVXObjectWidget.h"

#include "BoolImage.h"
#include "Matrix.h"

#include <QTemporaryDir>
#include <QXmlStreamWriter>
#include <QtTest>

#include <cstring>

namespace {

// Records what the program logs and shows in the progress display.
class RecordingSink : public Log::Sink {
public:
    RecordingSink() : previous(Log::CurrentSink()) { Log::SetSink(this); }
    ~RecordingSink() override { Log::SetSink(previous); }
    void Output(const QString& text, bool) override { lines << text; }
    void Error(const QString& text) override { lines << "error: " + text; }
    void Warning(const QString& text) override { lines << "warning: " + text; }
    void ShowProgress() override { progress << "show"; }
    void HideProgress() override { progress << "hide"; }
    void SetProgressText(const QString& text) override { progress << text; }
    void SetProgressBusy() override { progress << "busy"; }
    void SetProgressMaximum(int max) override { progress << "max " + QString::number(max); }
    void SetProgressValue(int value) override { progress << QString::number(value); }

    QStringList lines;
    QStringList progress;

private:
    Log::Sink* previous;
};

// A square contour (counter-clockwise) with corners (x0, y0) and (x1, y1).
std::unique_ptr<Snake> Square(float x0, float y0, float x1, float y1)
{
    const Point nodes[] = {Point(x0, y0), Point(x1, y0), Point(x1, y1), Point(x0, y1)};
    return std::make_unique<Snake>(nodes, 4, &SharedSnakeParams::Get());
}

std::unique_ptr<Snake> Nodes(const std::vector<Point>& nodes)
{
    return std::make_unique<Snake>(nodes.data(), nodes.size(), &SharedSnakeParams::Get());
}

// Three contours on slices 4, 5, 6.
std::unique_ptr<SnakeSequence> ThreeSquares(LVX::Orientation orientation = LVX::XY)
{
    auto sequence = std::make_unique<SnakeSequence>("Active contour", 4, orientation);
    sequence->PushBack(Square(2, 2, 8, 8));
    sequence->PushBack(Square(1.5f, 3, 9.25f, 7));
    sequence->PushBack(Square(3, -1, 6, 12));
    return sequence;
}

QString Slices(const SnakeSequence& sequence)
{
    QStringList parts;
    for (uint32_t s = sequence.GetFirstSlice(); s < sequence.GetFirstSlice() + sequence.GetCount(); ++s)
        parts << QString::number(s) + ":" + QString::number(sequence.GetSnake(s)->Size());
    return parts.join(" ");
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A transform sequence stand-in: moves slice s by (dx, 200, 10 s).
class FakeTransform : public Attachment, public SliceMatrixSource {
public:
    explicit FakeTransform(double dx = 100.0) : Attachment("Transform")
    {
        SetType(LVX::TransformSequenceType);
        for (uint32_t s = 0; s < 10; ++s) {
            auto m = std::make_unique<Matrix>(4);
            for (uint32_t k = 0; k < 4; ++k)
                m->Item(k, k) = 1.0;
            m->Item(0, 3) = dx;
            m->Item(1, 3) = 200.0;
            m->Item(2, 3) = 10.0 * s;
            matrices.push_back(std::move(m));
        }
    }
    const Matrix* GetSliceMatrix(uint32_t slice) const override
    {
        return slice < matrices.size() ? matrices[slice].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<Matrix>> matrices;
};

} // namespace

class TestSnakeSequence : public QObject {
    Q_OBJECT

private slots:
    // Other test classes may have installed the panels of the contour user interface.
    void init()
    {
        SharedSnakeParams::Get() = SnakeParams();
        SnakeSequence::SetControlsMaker(nullptr);
    }
    void cleanup() { init(); }

    void identity()
    {
        SnakeSequence sequence("Active contour", 3, LVX::XZ);
        QCOMPARE(sequence.GetFileTypes().filter, QString("Lumivox snake sequence (*.acr);;STL ascii (*.stl);;"));
        QVERIFY(sequence.IsRasterisable());
        QVERIFY(sequence.IsOrientation(LVX::XZ) && !sequence.IsOrientation(LVX::XY));
        QVERIFY(sequence.GetControls().empty());
        SnakeSequence::SetControlsMaker(
            [](SnakeSequence* s) { return std::vector<Control*>(s->GetFirstSlice(), nullptr); });
        QCOMPARE(sequence.GetControls().size(), size_t(3));
    }

    void saveAndReadBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("seq.acr");
        auto sequence = ThreeSquares();
        (*sequence->GetSnake(5))[1] = Point(1.0f / 3.0f, -1e-30f);
        RecordingSink sink;
        QVERIFY(sequence->SaveTo(path, ".acr"));
        QCOMPARE(sequence->GetFile().filePath(), path);
        QCOMPARE(sink.lines, QStringList({"Saving Active contour...", "Saved 156 bytes to " + path + "."}));
        QCOMPARE(QFileInfo(path).size(), qint64(156));

        SnakeSequence read(path, "seq.acr");
        QCOMPARE(read.GetError(), QString());
        QCOMPARE(read.GetOrientation(), LVX::XY);
        QCOMPARE(Slices(read), Slices(*sequence));
        for (uint32_t s = 4; s < 7; ++s)
            for (size_t k = 0; k < 4; ++k) {
                QVERIFY(SameBits((*read.GetSnake(s))[k].x, (*sequence->GetSnake(s))[k].x));
                QVERIFY(SameBits((*read.GetSnake(s))[k].y, (*sequence->GetSnake(s))[k].y));
            }
        // Without a transform the nodes land at (x, y, slice).
        const SnakeSequence::NodeCache* cache = read.GetPoints3D(1);
        QVERIFY(cache && cache->size() == 4);
        QCOMPARE(*cache->at(1), Point3D(1.0f / 3.0f, -1e-30f, 5.0f));
        QVERIFY(read.GetPoints3D(3) == nullptr);

        // The copy is deep and has its own node caches.
        SnakeSequence copy(read);
        QCOMPARE(Slices(copy), Slices(read));
        QVERIFY(copy.GetSnake(4) != read.GetSnake(4));
        QCOMPARE(*copy.GetPoints3D(1)->at(1), *cache->at(1));
    }

    // A failed "Save as..." leaves the reason in the object and in the log, once.
    void saveAsFailures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("error"); // after the path
        const QString open = "Could not open file ";
        QTest::newRow("record") << "missing/seq.acr" << open;
        QTest::newRow("mesh") << "missing/seq.stl" << open;
        QTest::newRow("unknown extension") << "seq.txt" << QString("Could not save Active contour to ");
    }
    void saveAsFailures()
    {
        QFETCH(QString, file);
        QFETCH(QString, error);
        QTemporaryDir dir;
        auto sequence = ThreeSquares();
        const QString path = dir.filePath(file);
        RecordingSink sink;
        QVERIFY(!ObjectFiles::SaveAs(*sequence, path));
        QCOMPARE(sink.lines.size(), 1);
        QVERIFY2(sink.lines.front().startsWith("error: " + error + path), qPrintable(sink.lines.front()));
        QVERIFY(!QFile::exists(path));
    }

    void saveAsksForAFile()
    {
        // Without a file the user is asked; cancelling writes nothing.
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        Prompter::SetCurrent(&prompter);
        SnakeSequence unsaved("Active contour", 0, LVX::XY);
        unsaved.PushBack(Square(0, 0, 1, 1));
        QVERIFY(!unsaved.Save());
        QCOMPARE(prompter.Count(ScriptedPrompter::Kind::SaveFile), 1);
        QCOMPARE(prompter.Last().title, QString("Save"));
        prompter.AddFileName(dir.filePath("chosen.acr"));
        QVERIFY(unsaved.Save());
        Prompter::SetCurrent(nullptr);
        QCOMPARE(unsaved.GetName(), QString("chosen.acr"));
        QCOMPARE(SnakeSequence(dir.filePath("chosen.acr"), "x").GetCount(), 1u);
    }

    // The export goes to the mesh writer; the sequence keeps its own file.
    void exportsStl()
    {
        QTemporaryDir dir;
        auto sequence = ThreeSquares();
        QVERIFY(sequence->SaveTo(dir.filePath("seq.stl"), ".stl"));
        QVERIFY(QFileInfo(dir.filePath("seq.stl")).size() > 0);
        QVERIFY(sequence->GetFile().filePath().isEmpty());
        SnakeSequence empty("Empty", 0, LVX::XY);
        QVERIFY(!empty.SaveTo(dir.filePath("empty.stl"), ".stl"));
    }

    void readFailureLeavesNoContours()
    {
        QTemporaryDir dir;
        SnakeSequence missing(dir.filePath("none.acr"), "none");
        QCOMPARE(missing.GetError(), QString("File not found"));
        QVERIFY(missing.IsEmpty());
        QFile file(dir.filePath("bad.acr"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Active contour record 1.0.0.0006");
        file.close();
        SnakeSequence bad(dir.filePath("bad.acr"), "bad");
        QCOMPARE(bad.GetError(), QString("Bad version: 1.0.0.0006"));
        QVERIFY(bad.IsEmpty());
    }

    void getOrCreateSnake_data()
    {
        QTest::addColumn<uint32_t>("slice");
        QTest::addColumn<bool>("created");
        QTest::addColumn<uint32_t>("firstSlice");
        QTest::addColumn<uint32_t>("sourceSlice"); // the contour copied, or the one returned
        QTest::newRow("first") << 4u << false << 4u << 4u;
        QTest::newRow("inside") << 5u << false << 4u << 5u;
        QTest::newRow("before") << 3u << true << 3u << 4u;
        QTest::newRow("after") << 7u << true << 4u << 6u;
        QTest::newRow("two before") << 2u << false << 4u << 0u;
        QTest::newRow("two after") << 8u << false << 4u << 0u;
    }
    void getOrCreateSnake()
    {
        QFETCH(uint32_t, slice);
        QFETCH(bool, created);
        QFETCH(uint32_t, firstSlice);
        QFETCH(uint32_t, sourceSlice);
        SharedSnakeParams::Get().shrinkage = 1.0;
        auto sequence = ThreeSquares();
        sequence->SetChanged(false);
        const double sourceArea = sourceSlice ? sequence->GetSnake(sourceSlice)->GetArea() : 0.0;
        Snake* snake = sequence->GetOrCreateSnake(slice);
        QCOMPARE(sequence->GetFirstSlice(), firstSlice);
        QCOMPARE(sequence->IsChanged(), created);
        QCOMPARE(sequence->GetCount(), created ? 4u : 3u);
        if (!sourceSlice) {
            QVERIFY(!snake);
            return;
        }
        QCOMPARE(snake, sequence->GetSnake(slice));
        if (created) {
            QVERIFY(sequence->GetPoints3D(slice - firstSlice) == nullptr);
            // Shrunk by one pixel all round.
            QVERIFY(snake->GetArea() < sourceArea - 10.0);
            QVERIFY(snake->GetArea() > 0.0);
        } else {
            QCOMPARE(snake->GetArea(), sourceArea);
        }
    }

    void deleteAtEnds()
    {
        auto sequence = ThreeSquares();
        sequence->UpdatePoints3D();
        const Snake* middle = sequence->GetSnake(5);
        sequence->SetChanged(false);
        sequence->DeleteFirst();
        QCOMPARE(sequence->GetFirstSlice(), 5u);
        QVERIFY(sequence->IsChanged());
        QCOMPARE(sequence->GetSnake(5), middle);
        QCOMPARE(sequence->GetPoints3D(0)->at(0)->z, 5.0f);
        sequence->SetChanged(false);
        sequence->DeleteLast();
        QCOMPARE(sequence->GetFirstSlice(), 5u);
        QCOMPARE(sequence->GetCount(), 1u);
        QVERIFY(sequence->IsChanged());
        QVERIFY(sequence->GetSnake(6) == nullptr);
        sequence->DeleteLast();
        sequence->SetChanged(false);
        sequence->DeleteFirst();
        sequence->DeleteLast();
        QVERIFY(sequence->IsEmpty());
        QVERIFY(!sequence->IsChanged());
        QCOMPARE(sequence->GetFirstSlice(), 5u);
        QVERIFY(sequence->GetOrCreateSnake(5) == nullptr);
    }

    void nodesNearCoordinate_data()
    {
        QTest::addColumn<bool>("byColumn");
        QTest::addColumn<float>("at");
        QTest::addColumn<QString>("expected"); // contour/node@z of each hit
        // Nodes: slice 4 (2,2) (8,2) (8,8) (2,8); slice 5 (1.5,3) (9.25,3) (9.25,7) (1.5,7);
        // slice 6 (3,-1) (6,-1) (6,12) (3,12).
        QTest::newRow("x 2.5 takes 2 and 3, not 1.5") << true << 2.5f << "0/0@4 0/3@4 2/0@6 2/3@6";
        QTest::newRow("x 8.75 takes 9.25, not 8") << true << 8.75f << "1/1@5 1/2@5";
        QTest::newRow("x 9.76") << true << 9.76f << "";
        QTest::newRow("y 7.5") << false << 7.5f << "0/2@4 0/3@4 1/2@5 1/3@5";
        QTest::newRow("y -0.5") << false << -0.5f << "2/0@6 2/1@6";
        QTest::newRow("y 11.49") << false << 11.49f << "";
    }
    void nodesNearCoordinate()
    {
        QFETCH(bool, byColumn);
        QFETCH(float, at);
        QFETCH(QString, expected);
        auto sequence = ThreeSquares(LVX::ZY);
        auto list = byColumn ? sequence->GetNodesAtX(at) : sequence->GetNodesAtY(at);
        QStringList hits;
        for (const NodePointer& p : *list) {
            QCOMPARE(p.orientation, LVX::ZY);
            QVERIFY(p.widget == nullptr);
            QCOMPARE(p.node, &(*sequence->GetSnake(4 + p.contour))[p.index]);
            hits << QString("%1/%2@%3").arg(p.contour).arg(p.index).arg(double(p.z));
        }
        QCOMPARE(hits.join(" "), expected);
    }

    void nodesAtSlice()
    {
        auto sequence = ThreeSquares();
        QVERIFY(sequence->GetNodesAtSlice(7) == nullptr);
        auto list = sequence->GetNodesAtSlice(5);
        QCOMPARE(list->size(), size_t(4));
        QCOMPARE(list->at(2).contour, 1u);
        QCOMPARE(list->at(2).index, 2u);
        QCOMPARE(list->at(2).z, 5.0f);
        QVERIFY(list->at(2).widget == nullptr); // not docked
        *list->at(2).node = Point(20, 21);
        QCOMPARE((*sequence->GetSnake(5))[2], Point(20, 21));
    }

    void boundingBox()
    {
        auto sequence = ThreeSquares();
        const auto box = sequence->GetBoundingBox();
        QCOMPARE(box.first, Point3D(0.0f, -1.0f, 4.0f)); // x starts at 0
        QCOMPARE(box.second, Point3D(9.25f, 12.0f, 7.0f));
        SnakeSequence empty("Empty", 9, LVX::XY);
        QCOMPARE(empty.GetBoundingBox().first, Point3D(0, 0, 9));
        QCOMPARE(empty.GetBoundingBox().second, Point3D(0, 0, 9));
    }

    void mask_data()
    {
        QTest::addColumn<uint32_t>("slice");
        QTest::addColumn<int>("setPixels");
        QTest::newRow("filled square 2..8") << 4u << 49;
        QTest::newRow("two nodes") << 5u << 0;
        QTest::newRow("before the run") << 3u << 0;
        QTest::newRow("after the run") << 7u << 0;
    }
    void mask()
    {
        QFETCH(uint32_t, slice);
        QFETCH(int, setPixels);
        SnakeSequence sequence("Active contour", 4, LVX::XZ);
        sequence.PushBack(Square(2, 2, 8, 8));
        sequence.PushBack(Nodes({Point(1, 1), Point(10, 10)}));
        const SliceMask mask = sequence.GetMask(12, 10, slice);
        QCOMPARE(mask.plane, LVX::XZ);
        QCOMPARE(mask.slice, slice);
        QCOMPARE(mask.mask->width, 12);
        QCOMPARE(mask.mask->height, 10);
        QCOMPARE(int(mask.mask->GetPixelArea()), setPixels);
        if (setPixels) {
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 12; ++x)
                    QCOMPARE(mask.mask->Get(x, y), x >= 2 && x <= 8 && y >= 2 && y <= 8);
        }
    }

    void masksShowProgress()
    {
        auto sequence = std::make_unique<SnakeSequence>("Cells", 1, LVX::XY);
        for (int i = 0; i < 21; ++i)
            sequence->PushBack(Square(1, 1, 3, 3));
        std::vector<uint32_t> widths(22, 5);
        std::vector<uint32_t> heights(22, 4);
        widths[21] = 6;
        RecordingSink sink;
        const std::vector<SliceMask> masks = sequence->GetMasks(widths, heights);
        QCOMPARE(sink.progress, QStringList({"show", "Drawing Cells...", "max 21", "0", "10", "20", "hide"}));
        QCOMPARE(masks.size(), size_t(21));
        QCOMPARE(masks[20].slice, 21u);
        QCOMPARE(masks[20].mask->width, 6);
        QCOMPARE(masks[20].mask->height, 4);
        QCOMPARE(int(masks[0].mask->GetPixelArea()), 9);
    }

    void placementThroughTransform()
    {
        auto stack = std::make_unique<VariableImageStack>(RATIONAL(1));
        for (int s = 0; s < 8; ++s)
            stack->AppendImage(Image::FromType(11, 6, Image::BYTE, RATIONAL(1), RATIONAL(1), ""));
        auto sequence = ThreeSquares();
        FakeTransform transform;
        {
            LVXObjectWidget stackButton(stack.get(), nullptr);
            LVXObjectWidget sequenceButton(sequence.get(), nullptr);
            LVXObjectWidget transformButton(&transform, nullptr);
            stackButton.Attach(&sequenceButton);
            QCOMPARE(sequence->GetStack(), stack.get());
            QVERIFY(!sequence->GetPlacement().HasTransform());
            QCOMPARE(*sequence->GetPoints3D(0)->at(0), Point3D(2, 2, 4));
            QCOMPARE(sequence->GetNodesAtSlice(4)->at(0).widget, &sequenceButton);

            stackButton.Attach(&transformButton);
            QVERIFY(sequence->GetPlacement().HasTransform());
            sequence->UpdatePoints3D();
            // (2 - 11/2, 2 - 6/2) = (-3, -1) moved by (100, 200, 40).
            QCOMPARE(*sequence->GetPoints3D(0)->at(0), Point3D(97, 199, 40));
            QCOMPARE(*sequence->GetPoints3D(2)->at(2), Point3D(101, 209, 60));

            // With two transforms the node caches take the last one found, the mesh the first
            // (the newest docked attachment comes first).
            FakeTransform second(1000.0);
            LVXObjectWidget secondButton(&second, nullptr);
            stackButton.Attach(&secondButton);
            using Choice = SnakeSequence::TransformChoice;
            QCOMPARE(sequence->GetPlacement(Choice::LastRelated).Place(0, 0, 4)[0], 100.0 - 5.0);
            QCOMPARE(sequence->GetPlacement(Choice::FirstRelated).Place(0, 0, 4)[0], 1000.0 - 5.0);
            stackButton.Detach(&secondButton);

            stackButton.Detach(&transformButton);
            stackButton.Detach(&sequenceButton);
            QVERIFY(sequence->GetStack() == nullptr);
            QCOMPARE(*sequence->GetPoints3D(0)->at(0), Point3D(2, 2, 4));
        }
        // The common attributes follow the element, "src" naming the record file.
        sequence->SetFile(QFileInfo("/data/cells.acr"));
        LVXObjectWidget button(sequence.get(), nullptr);
        QString xml;
        QXmlStreamWriter writer(&xml);
        QVERIFY(sequence->WriteXml(writer));
        button.WriteXmlAttributes(writer);
        QCOMPARE(xml, QString(R"(<snake_sequence id="65535" src="/data/cells.acr" checked="0" xpos="0" ypos="0"/>)"));
    }
};

LUMIVOX_REGISTER_TEST(TestSnakeSequence)
#include "TestSnakeSequence.moc"
