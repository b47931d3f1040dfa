#include "TestRegistry.h"

#include "Image.h"
#include "ScriptedPrompter.h"
#include "Tiff.h"
#include "app/App.h"
#include "app/StackCommands.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/ScaleDialog.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Opening stacks through the controller and scaling them from their button's menu.
class TestStackCommands : public QObject {
    Q_OBJECT

private:
    QString WriteStack(const QString& name, int slices)
    {
        std::vector<std::unique_ptr<Image>> images;
        std::vector<const Image*> pages;
        for (int z = 0; z < slices; ++z) {
            images.push_back(Image::FromType(8, 6, Image::USHORT, RATIONAL(1, 2), RATIONAL(1, 2), "micron"));
            images.back()->Set(1, 2, float(100 + z));
            pages.push_back(images.back().get());
        }
        const QString path = dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || Tiff::WriteStack(file, pages, 2.0f, "micron") < 0)
            return QString();
        return path;
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;
    std::unique_ptr<ScopedPrompter> prompter;

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        Settings::Load(dir->filePath("lumivox.ini"));
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        app = std::make_unique<App>(window.get());
    }

    void cleanup()
    {
        app.reset();
        window.reset();
        prompter.reset();
        dir.reset();
    }

    void openingLogsAndCreatesTheButton()
    {
        const QString path = WriteStack("three.tif", 3);
        QVERIFY(!path.isEmpty());
        emit window->openTiffRequested(path);
        QCOMPARE(int(app->Objects().size()), 1);
        auto* stack = dynamic_cast<ImageStack*>(app->Objects().front());
        QVERIFY(stack);
        QCOMPARE(stack->GetName(), QString("three.tif"));
        QCOMPARE(stack->GetSliceCount(), 3u);
        QVERIFY(window->FindObjectWidget(stack));
        const QStringList lines = window->GetLog()->toPlainText().split('\n');
        QVERIFY(lines
                    .filter(QRegularExpression(" : Loading " + QRegularExpression::escape(path) + ", "
                        + QString::number(QFile(path).size()) + " Bytes...$"))
                    .size()
            == 1);
        QCOMPARE(lines.filter("> Done").size(), 1);
        QCOMPARE(Settings::Values().main.currentDir, dir->path());
    }

    void aMissingFileIsLoggedAndCreatesNothing()
    {
        emit window->openTiffRequested(dir->filePath("missing.tif"));
        QVERIFY(app->Objects().empty());
        QVERIFY(
            window->GetLog()->toPlainText().contains("ERROR: Could not open file: " + dir->filePath("missing.tif")));
    }

    void commandLineStacksOpenInASliceView()
    {
        const QString path = WriteStack("shown.tif", 2);
        QVERIFY(StackCommands::OpenTiffInSliceView(*app, path));
        QCOMPARE(window->GetViewTabs()->count(), 1);
        QCOMPARE(window->GetViewTabs()->tabText(0), QString("SliceView1"));
    }

    void scaleRegistersTheScaledStack()
    {
        LVXObjectWidget* widget = StackCommands::OpenTiff(*app, WriteStack("big.tif", 4));
        QVERIFY(widget);
        (*prompter)->AddDialogHandler([](QDialog* dialog) {
            auto* scale = qobject_cast<ScaleDialog*>(dialog);
            if (!scale)
                return int(QDialog::Rejected);
            scale->findChild<QDoubleSpinBox*>("spinBoxFactX")->setValue(0.5);
            scale->findChild<QDoubleSpinBox*>("spinBoxFactY")->setValue(0.5);
            scale->findChild<QDoubleSpinBox*>("spinBoxFactZ")->setValue(0.5);
            return int(QDialog::Accepted);
        });
        app->onContextMenuAction(widget, LVX::Scale);
        QCOMPARE(int(app->Objects().size()), 2);
        auto* scaled = dynamic_cast<ImageStack*>(app->Objects().back());
        QVERIFY(scaled);
        QCOMPARE(scaled->GetName(), QString("Scaled big.tif"));
        QCOMPARE(scaled->GetWidth(), 4u);
        QCOMPARE(scaled->GetHeight(), 3u);
        QCOMPARE(scaled->GetSliceCount(), 2u);
        QVERIFY(window->FindObjectWidget(scaled));
    }

    void cancellingScaleChangesNothing()
    {
        LVXObjectWidget* widget = StackCommands::OpenTiff(*app, WriteStack("kept.tif", 2));
        (*prompter)->AddDialogResult(QDialog::Rejected);
        app->onContextMenuAction(widget, LVX::Scale);
        QCOMPARE(int(app->Objects().size()), 1);
    }
};

LUMIVOX_REGISTER_TEST(TestStackCommands)
#include "TestStackCommands.moc"
