#include "ScriptedPrompter.h"
#include "TestRegistry.h"
#include "app/Version.h"
#include "model/LVXObject.h"
#include "model/Settings.h"
#include "ui/HelpAboutDialog.h"
#include "ui/LumivoxWnd.h"
#include "ui/ObjectSelectorDialog.h"
#include "ui/ScaleDialog.h"
#include "ui/ScreenshotDialog.h"
#include "ui/SizeDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// Clicks one of the dialog's standard buttons, as a user would.
void Click(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>();
    QVERIFY(box);
    QPushButton* button = box->button(which);
    QVERIFY(button);
    button->click();
}

// The text of the label in front of a field of a form layout.
QString FormLabel(QWidget* field)
{
    for (QFormLayout* form : field->window()->findChildren<QFormLayout*>()) {
        const int row = [&] {
            int r = -1;
            QFormLayout::ItemRole role;
            form->getWidgetPosition(field, &r, &role);
            return r;
        }();
        if (row < 0)
            continue;
        if (auto* label = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget()))
            return label->text();
    }
    return "<no label>";
}

// The path edit of the screenshot dialog (the spin boxes hold line edits too).
QLineEdit* PathEdit(QDialog* dialog)
{
    return dialog->findChild<QGroupBox*>("groupBoxFilePath")->findChild<QLineEdit*>();
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(LumivoxWnd::Instance() == nullptr);
        scoped = std::make_unique<ScopedPrompter>();
        prompter = &**scoped;
    }

    void cleanup()
    {
        prompter = nullptr;
        scoped.reset();
    }

    void scopedPrompterRestores()
    {
        Prompter* outer = &Prompter::Current();
        QCOMPARE(outer, static_cast<Prompter*>(prompter));
        {
            ScopedPrompter inner;
            QCOMPARE(&Prompter::Current(), static_cast<Prompter*>(&*inner));
        }
        QCOMPARE(&Prompter::Current(), outer);
        scoped.reset();
        prompter = nullptr;
        QVERIFY(dynamic_cast<ScriptedPrompter*>(&Prompter::Current()) == nullptr);
    }

    void aboutBox()
    {
        HelpAboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("About"));
        auto* label = dialog.findChild<QLabel*>("mainLabel");
        QVERIFY(label);
        const QString text = label->text();
        QVERIFY2(text.startsWith("Lumivox ver. " + VersionText() + "\n"), qPrintable(text));
        for (const char* name : {"Qt", "LGPL v3", "libtiff", "Eigen", "OpenBLAS", "LAPACK", "icons"})
            QVERIFY2(text.contains(name), name);
        QCOMPARE(dialog.findChild<QDialogButtonBox*>()->standardButtons(), QDialogButtonBox::Ok);

        prompter->AddDialogHandler([](QDialog* d) {
            Click(d, QDialogButtonBox::Ok);
            return QDialog::Rejected; // the click decides
        });
        QCOMPARE(Prompter::Current().Exec(&dialog), int(QDialog::Accepted));
    }

    void objectSelectorForm()
    {
        LVXObject a("Active contour");
        LVXObject b("Rectangle");
        a.SetId(3);
        b.SetId(12);
        ObjectSelectorDialog dialog({&a, &b});
        QCOMPARE(dialog.windowTitle(), QString("Dialog"));

        auto* grid = dialog.findChild<QGridLayout*>();
        QVERIFY(grid);
        QCOMPARE(grid->rowCount(), 3);
        auto labelAt = [grid](int row, int column) {
            auto* label = qobject_cast<QLabel*>(grid->itemAtPosition(row, column)->widget());
            return label ? label->text() : QString("<no label>");
        };
        QCOMPARE(labelAt(0, 0), QString("<b>Name</b>"));
        QCOMPARE(labelAt(0, 1), QString("<b>ID</b>"));
        auto* first = qobject_cast<QCheckBox*>(grid->itemAtPosition(1, 0)->widget());
        auto* second = qobject_cast<QCheckBox*>(grid->itemAtPosition(2, 0)->widget());
        QVERIFY(first && second);
        QCOMPARE(first->text(), QString("Active contour"));
        QCOMPARE(second->text(), QString("Rectangle"));
        QCOMPARE(labelAt(1, 1), QString("3"));
        QCOMPARE(labelAt(2, 1), QString("12"));
        QCOMPARE(dialog.findChild<QCheckBox*>("processAllBox")->text(), QString("Process entire stack"));
    }

    void objectSelectorResult_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<bool>("processAll");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<int>>("selected");
        QTest::newRow("nothing") << QList<int>{} << false << true << QList<int>{};
        QTest::newRow("the second") << QList<int>{1} << false << true << QList<int>{1};
        QTest::newRow("first and last, whole stack") << QList<int>{2, 0} << true << true << QList<int>{0, 2};
        QTest::newRow("cancelled") << QList<int>{1} << true << false << QList<int>{1};
    }

    void objectSelectorResult()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(bool, processAll);
        QFETCH(bool, ok);
        QFETCH(QList<int>, selected);
        LVXObject objects[3] = {LVXObject("one"), LVXObject("two"), LVXObject("three")};
        ObjectSelectorDialog dialog({&objects[0], &objects[1], &objects[2]});
        prompter->AddDialogHandler([&](QDialog* d) {
            const QList<QCheckBox*> boxes = static_cast<ObjectSelectorDialog*>(d)->GetObjectBoxes();
            for (int i : ticked)
                boxes.at(i)->click();
            if (processAll)
                d->findChild<QCheckBox*>("processAllBox")->click();
            Click(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            return -1;
        });
        QCOMPARE(Prompter::Current().Exec(&dialog), int(ok ? QDialog::Accepted : QDialog::Rejected));
        QList<LVXObject*> expected;
        for (int i : selected)
            expected << &objects[i];
        QCOMPARE(dialog.GetSelectedObjects(), expected);
        QCOMPARE(dialog.IsProcessAll(), processAll);
    }

    void objectSelectorNamesShowAsTheyAre()
    {
        LVXObject object("R&D <b>stack</b>");
        ObjectSelectorDialog dialog({&object});
        QCheckBox* box = dialog.GetObjectBoxes().at(0);
        // "&&" shows one ampersand and makes no shortcut.
        QCOMPARE(box->text(), QString("R&&D <b>stack</b>"));
    }

    void scaleDialogForm()
    {
        ScaleDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Scaling"));
        QStringList titles;
        for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
            titles << group->title();
        QCOMPARE(titles, (QStringList{"Factor", "Size", "Resolution"}));
        QCOMPARE(dialog.GetFactorX(), 1.0);
        QCOMPARE(dialog.GetFactorY(), 1.0);
        QCOMPARE(dialog.GetFactorZ(), 1.0);
    }

    void scaleDialogEnabling_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::newRow("fixed-size stack") << true;
        QTest::newRow("variable stack") << false;
    }

    void scaleDialogEnabling()
    {
        QFETCH(bool, fixed);
        ScaleDialog::StackInfo stack;
        stack.fixedSize = fixed;
        stack.width = 640;
        stack.height = 480;
        stack.slices = 120;
        stack.xres = 2.5;
        stack.yres = 0.125;
        stack.zres = 1.0 / 3.0;
        ScaleDialog dialog(nullptr, stack);
        auto sizeBox = [&](const char* name) { return dialog.findChild<QSpinBox*>(name); };
        auto realBox = [&](const char* name) { return dialog.findChild<QDoubleSpinBox*>(name); };

        QCOMPARE(sizeBox("spinBoxSizeX")->value(), fixed ? 640 : 0);
        QCOMPARE(sizeBox("spinBoxSizeY")->value(), fixed ? 480 : 0);
        QCOMPARE(sizeBox("spinBoxSizeZ")->value(), fixed ? 120 : 0);
        QCOMPARE(realBox("spinBoxResX")->value(), fixed ? 2.5 : 0.0);
        QCOMPARE(realBox("spinBoxResY")->value(), fixed ? 0.125 : 0.0);
        QCOMPARE(realBox("spinBoxResZ")->value(), fixed ? 0.333333 : 0.0);

        QCOMPARE(dialog.findChild<QGroupBox*>("groupBoxSize")->isEnabled(), !fixed);
        for (const char* name : {"spinBoxSizeX", "spinBoxSizeY", "spinBoxSizeZ"})
            QCOMPARE(sizeBox(name)->isEnabled(), !fixed);
        for (const char* name : {"spinBoxResX", "spinBoxResY", "spinBoxResZ"})
            QCOMPARE(realBox(name)->isEnabled(), !fixed);
        QVERIFY(dialog.findChild<QGroupBox*>("groupBoxRes")->isEnabled());
        for (const char* name : {"spinBoxFactX", "spinBoxFactY", "spinBoxFactZ"})
            QVERIFY(realBox(name)->isEnabled());
    }

    void screenshotDialogForm_data()
    {
        QTest::addColumn<QString>("viewName");
        QTest::addColumn<QString>("title");
        QTest::newRow("named view") << "OGLView 2"
                                    << "Screenshot of OGLView 2";
        QTest::newRow("unnamed view") << ""
                                      << "Screenshot";
    }

    void screenshotDialogForm()
    {
        QFETCH(QString, viewName);
        QFETCH(QString, title);
        ScreenshotDialog dialog(800, 600, viewName);
        QCOMPARE(dialog.windowTitle(), title);
        QVERIFY(!dialog.IsCustomSize());
        QCOMPARE(dialog.findChild<QSpinBox*>("spinWidth")->value(), 800);
        QCOMPARE(dialog.findChild<QSpinBox*>("spinHeight")->value(), 600);
        QCOMPARE(dialog.GetWidth(), 800);
        QCOMPARE(dialog.GetHeight(), 600);
        QCOMPARE(dialog.GetPath(), QString());
    }

    void screenshotCustomSize()
    {
        ScreenshotDialog dialog(320, 240, "View");
        auto* custom = dialog.findChild<QCheckBox*>("checkBoxCustomSize");
        auto* width = dialog.findChild<QSpinBox*>("spinWidth");
        auto* height = dialog.findChild<QSpinBox*>("spinHeight");
        QVERIFY(!width->isEnabled());
        QVERIFY(!height->isEnabled());
        custom->click();
        QVERIFY(dialog.IsCustomSize());
        QVERIFY(width->isEnabled());
        QVERIFY(height->isEnabled());
        width->setValue(1920);
        height->setValue(1080);
        custom->click();
        QVERIFY(!width->isEnabled());
        QVERIFY(!height->isEnabled());
        custom->click();

        prompter->AddDialogHandler([](QDialog* d) {
            Click(d, QDialogButtonBox::Ok);
            return -1;
        });
        QCOMPARE(Prompter::Current().Exec(&dialog), int(QDialog::Accepted));
        QVERIFY(dialog.IsCustomSize());
        QCOMPARE(dialog.GetWidth(), 1920);
        QCOMPARE(dialog.GetHeight(), 1080);
    }

    void screenshotBrowse_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("withWindow");
        const auto row = [](const char* name, const char* before, const char* answer, const char* after) {
            QTest::newRow(name) << before << answer << after << false;
        };
        row("answer into the empty edit", "", "/tmp/shot.png", "/tmp/shot.png");
        row("answer replaces the path", "/tmp/old.jpg", "/tmp/new.tif", "/tmp/new.tif");
        row("cancel keeps the path", "/tmp/old.jpg", "", "/tmp/old.jpg");
        QTest::newRow("through the main window")
            << QString() << QString("/tmp/view.png") << QString("/tmp/view.png") << true;
    }

    void screenshotBrowse()
    {
        QFETCH(QString, before);
        QFETCH(QString, answer);
        QFETCH(QString, after);
        QFETCH(bool, withWindow);
        QTemporaryDir dir;
        Settings::Load(dir.filePath("lumivox.ini"));
        Settings::Values().main.currentDir = "/data/screens";
        {
            std::unique_ptr<LumivoxWnd> window(withWindow ? new LumivoxWnd : nullptr);
            ScreenshotDialog dialog(100, 100, "View", window.get());
            PathEdit(&dialog)->setText(before);
            if (!answer.isEmpty())
                prompter->AddFileName(answer);
            dialog.findChild<QPushButton*>("buttonBrowse")->click();
            QCOMPARE(prompter->Calls().size(), 1);
            const ScriptedPrompter::Call& call = prompter->Last();
            QCOMPARE(call.kind, ScriptedPrompter::Kind::SaveFile);
            QCOMPARE(call.title, QString("Screenshot"));
            QCOMPARE(
                call.filter, QString("JPEG images (*.jpg *.jpeg);;PNG images (*.png);;TIFF images (*.tif *.tiff)"));
            QCOMPARE(call.initial, QString("/data/screens"));
            QCOMPARE(dialog.GetPath(), after);
            // The main window's file dialog remembers the directory.
            if (withWindow)
                QCOMPARE(Settings::Values().main.currentDir, QString("/tmp"));
        }
        Settings::Load(QString());
    }

    void screenshotPressOnEmptyPath_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<QString>("after");
        QTest::newRow("empty path asks") << "" << 1 << "/tmp/a.png";
        QTest::newRow("filled path does not ask") << "/tmp/b.png" << 0 << "/tmp/b.png";
    }

    void screenshotPressOnEmptyPath()
    {
        QFETCH(QString, before);
        QFETCH(int, dialogs);
        QFETCH(QString, after);
        ScreenshotDialog dialog(100, 100, "View");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* edit = PathEdit(&dialog);
        edit->setText(before);
        prompter->AddFileName("/tmp/a.png");
        QTest::mouseClick(edit, Qt::LeftButton);
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::SaveFile), dialogs);
        QCOMPARE(dialog.GetPath(), after);
    }

    void dialogResults_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }

    // The values typed into the scale and size dialogs stay, whichever button closes them.
    void dialogResults()
    {
        QFETCH(bool, ok);
        const int result = ok ? QDialog::Accepted : QDialog::Rejected;
        ScaleDialog scale;
        prompter->AddDialogHandler([ok](QDialog* d) {
            d->findChild<QDoubleSpinBox*>("spinBoxFactX")->setValue(0.5);
            d->findChild<QDoubleSpinBox*>("spinBoxFactY")->setValue(2.25);
            d->findChild<QDoubleSpinBox*>("spinBoxFactZ")->setValue(3.0);
            d->findChild<QPushButton*>(ok ? "okButton" : "cancelButton")->click();
            return -1;
        });
        QCOMPARE(Prompter::Current().Exec(&scale), result);
        QCOMPARE(scale.GetFactorX(), 0.5);
        QCOMPARE(scale.GetFactorY(), 2.25);
        QCOMPARE(scale.GetFactorZ(), 3.0);

        SizeDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Size"));
        auto* width = dialog.findChild<QSpinBox*>("widthBox");
        auto* height = dialog.findChild<QSpinBox*>("heightBox");
        QVERIFY(width && height);
        QCOMPARE(FormLabel(width), QString("Width"));
        QCOMPARE(FormLabel(height), QString("Height"));
        prompter->AddDialogHandler([ok](QDialog* d) {
            d->findChild<QSpinBox*>("widthBox")->setValue(300);
            d->findChild<QSpinBox*>("heightBox")->setValue(200);
            Click(d, ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            return -1;
        });
        QCOMPARE(Prompter::Current().Exec(&dialog), result);
        QCOMPARE(dialog.GetWidth(), 300);
        QCOMPARE(dialog.GetHeight(), 200);
    }

private:
    ScriptedPrompter* prompter = nullptr;
    std::unique_ptr<ScopedPrompter> scoped;
};

LUMIVOX_REGISTER_TEST(TestDialogs)
#include "TestDialogs.moc"
