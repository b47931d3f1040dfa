#include "ScriptedPrompter.h"
#include "StackTestSupport.h"
#include "TestRegistry.h"

#include "stacks/ImageStack.h"
#include "stacks/StackOpening.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using StackTest::MakeImage;
using StackTest::RecordingSink;

namespace {

const auto kVoxel = [](int x, int y, int z) { return float(1000 + x + 7 * y + 50 * z); };

// Three 16-bit slices of 5 x 4 with distinct rows.
std::unique_ptr<ImageStack> ThreeSlices()
{
    auto stack
        = std::make_unique<ImageStack>(5, 4, Image::USHORT, RATIONAL(1, 4), RATIONAL(1, 4), RATIONAL(5, 2), "micron");
    for (int z = 0; z < 3; ++z)
        stack->AppendImage(MakeImage(
            5, 4, Image::USHORT, [z](int x, int y) { return kVoxel(x, y, z); }, RATIONAL(1, 4), RATIONAL(1, 4),
            "micron"));
    stack->SetName("three.tif");
    return stack;
}

// Sets the file size limit for its lifetime; writes beyond it fail instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous{};
    void (*previousHandler)(int) = SIG_DFL;
};

} // namespace

// Writing stacks as TIFF files and reading them back.
class TestStackSave : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    // The saved file reads back as the same stack; the writer's bytes themselves are checked
    // with the TIFF writer.
    void readsBackAsTheSameStack()
    {
        const QString path = dir.filePath("three.tif");
        auto stack = ThreeSlices();
        stack->SetFile(QFileInfo(path));
        RecordingSink sink;
        QVERIFY(stack->Save());
        const qint64 size = QFileInfo(path).size();
        QCOMPARE(sink.lines,
            (QStringList{"> Saving three.tif...", "> Saved " + QString::number(size) + " bytes to " + path + "."}));
        QCOMPARE(sink.dated, (QList<bool>{true, true}));

        auto read = StackOpening::OpenTiff(path);
        auto* fixed = dynamic_cast<ImageStack*>(read.get());
        QVERIFY(fixed);
        QCOMPARE(fixed->GetSliceCount(), 3u);
        QCOMPARE(fixed->GetWidth(), 5u);
        QCOMPARE(fixed->GetHeight(), 4u);
        QCOMPARE(fixed->GetPixelType(), Image::USHORT);
        QCOMPARE(fixed->GetSpacing(), RATIONAL(5, 2));
        QCOMPARE(fixed->GetResUnit(), std::string("micron"));
        QCOMPARE(float(fixed->GetXResolution()), 0.25f);
        for (int z = 0; z < 3; ++z)
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 5; ++x)
                    QCOMPARE(fixed->GetValue(x, y, z), kVoxel(x, y, z));

        // Another TIFF reader sees three pages, the picture's top row first.
        TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
        QVERIFY(tif);
        QCOMPARE(int(TIFFNumberOfDirectories(tif)), 3);
        QVERIFY(TIFFSetDirectory(tif, 1));
        uint16_t top[5] = {};
        QCOMPARE(TIFFReadScanline(tif, top, 0, 0), 1);
        TIFFClose(tif);
        for (int x = 0; x < 5; ++x)
            QCOMPARE(float(top[x]), kVoxel(x, 3, 1));
    }

    void variableStackReadsBack()
    {
        const QString path = dir.filePath("variable.tif");
        VariableImageStack stack(RATIONAL(3, 1));
        // Each slice keeps its own unit.
        stack.AppendImage(MakeImage(
            3, 2, Image::BYTE, [](int x, int y) { return float(x + 3 * y); }, RATIONAL(1, 2), RATIONAL(1, 2), "nm"));
        stack.AppendImage(MakeImage(
            5, 4, Image::BYTE, [](int x, int y) { return float(100 + x + 5 * y); }, RATIONAL(1, 3), RATIONAL(1, 3),
            "micron"));
        stack.SetFile(QFileInfo(path));
        RecordingSink sink;
        QVERIFY(stack.Save());

        auto read = StackOpening::OpenTiff(path);
        QVERIFY(read);
        QVERIFY(!dynamic_cast<ImageStack*>(read.get()));
        QCOMPARE(read->GetSliceWidths(), (std::vector<uint32_t>{3, 5}));
        QCOMPARE(read->GetSliceHeights(), (std::vector<uint32_t>{2, 4}));
        QCOMPARE(read->GetSpacing(), RATIONAL(3, 1));
        QCOMPARE(read->GetValue(2, 1, 0), 5.0f);
        QCOMPARE(read->GetValue(4, 3, 1), 119.0f);
        QCOMPARE(read->GetSliceUnit(0), std::string("nm"));
        QCOMPARE(read->GetSliceUnit(1), std::string("micron"));
        QCOMPARE(float(read->GetImage(1)->GetXResolution()), 1.0f / 3.0f);
    }

    void unitWithControlCharacterKeepsSpacing()
    {
        // As ImageJ escapes it: the unit is refused ("px", one warning), the spacing stays.
        const QString path = dir.filePath("nul-unit.tif");
        StackTest::Page page{3, 2, 16, 4.0f, 4.0f};
        page.description = "ImageJ=1.53t\nimages=2\nslices=2\nunit=a\\u0000b\nspacing=2.5\nloop=false\n";
        QVERIFY(StackTest::WriteTiff(path, {page, page}));
        RecordingSink sink;
        auto stack = StackOpening::OpenTiff(path);
        QVERIFY(stack);
        QCOMPARE(sink.lines.size(), 2);
        QCOMPARE(sink.lines.last(),
            "WARNING: " + path + ": Page 2: the unit \"a\\u0000b\" holds control characters; \"px\" is used");
        QCOMPARE(stack->GetSliceUnit(1), std::string("px"));
        QCOMPARE(float(stack->GetSpacing()), 2.5f);

        const QString copy = dir.filePath("nul-unit-saved.tif");
        stack->SetFile(QFileInfo(copy));
        QVERIFY(stack->Save());
        auto reread = StackOpening::OpenTiff(copy);
        QVERIFY(reread);
        QCOMPARE(float(reread->GetSpacing()), 2.5f);
        QCOMPARE(reread->GetSliceUnit(0), std::string("px"));
        QCOMPARE(reread->GetValue(2, 1, 1), stack->GetValue(2, 1, 1));
    }

    void saveAsksForAPathWhenThereIsNone_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("chosen") << "chosen.tif";
        QTest::newRow("cancelled") << QString();
    }

    void saveAsksForAPathWhenThereIsNone()
    {
        QFETCH(QString, answer);
        const QString path = answer.isEmpty() ? QString() : dir.filePath(answer);
        ScopedPrompter prompter;
        if (!path.isEmpty())
            prompter->AddFileName(path);
        auto stack = ThreeSlices();
        stack->SetName("unnamed 1");
        RecordingSink sink;
        QCOMPARE(stack->Save(), !path.isEmpty());
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::SaveFile), 1);
        QCOMPARE(prompter->Last().title, QString("Save"));
        QCOMPARE(prompter->Last().filter, QString("TIFF image (*.tif)"));
        if (path.isEmpty()) {
            QVERIFY(sink.lines.isEmpty());
            QCOMPARE(stack->GetName(), QString("unnamed 1"));
        } else {
            QCOMPARE(stack->GetName(), answer);
            QCOMPARE(sink.lines.size(), 2);
            QCOMPARE(sink.lines.first(), "> Saving " + answer + "...");
            QVERIFY(QFileInfo(path).size() > 0);
        }
    }

    void saveIntoMissingFolderFails()
    {
        const QString path = dir.filePath("no such folder/stack.tif");
        auto stack = ThreeSlices();
        stack->SetFile(QFileInfo(path));
        RecordingSink sink;
        QVERIFY(!stack->Save());
        QCOMPARE(sink.lines, QStringList{"ERROR: Could nor save to " + path});
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(stack->GetSliceCount(), 3u);
    }

    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath("kept.tif");
        QByteArray old(1000, 'x');
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(old), qint64(old.size()));
        }
        auto stack = ThreeSlices();
        stack->SetFile(QFileInfo(path));
        RecordingSink sink;
        bool saved = true;
        {
            // The new file would be larger than the process may write.
            FileSizeLimit limit(200);
            saved = stack->Save();
        }
        QVERIFY(!saved);
        QCOMPARE(sink.lines,
            (QStringList{"> Saving three.tif...",
                "ERROR: Could nor save to " + path + ": the file could not be written completely"}));
        QCOMPARE(StackTest::ReadAll(path), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.tif"});
    }
};

LUMIVOX_REGISTER_TEST(TestStackSave)
#include "TestStackSave.moc"
