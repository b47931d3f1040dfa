#include "TestRegistry.h"

#include "Image.h"
#include "ScriptedPrompter.h"
#include "contours/ContourViews.h"
#include "contours/NewSnakeDialog.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeMainControl.h"
#include "contours/SnakeParametersControl.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LVXObjectWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// The "key=value" lines of the settings file's "Active contours" section, in file order.
QStringList ContourLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {"<unreadable>"};
    QStringList lines;
    bool inSection = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            inSection = trimmed == "[Active contours]";
        else if (inSection && !trimmed.isEmpty())
            lines << trimmed;
    }
    return lines;
}

QString ValueOf(const QStringList& lines, const QString& key)
{
    for (const QString& line : lines)
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    return "<missing>";
}

QStringList GroupTitles(const QWidget* parent)
{
    QStringList titles;
    for (const QGroupBox* group : parent->findChildren<QGroupBox*>())
        titles << group->title();
    return titles;
}

template <class T> QStringList Texts(const QWidget* parent)
{
    QStringList texts;
    for (const T* widget : parent->findChildren<T*>())
        texts << widget->text();
    return texts;
}

// Whether a pixmap shows anything (the icon was found and drawn).
bool HasOpaquePixel(const QPixmap& pixmap)
{
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage empty(image.size(), image.format());
    empty.fill(Qt::transparent);
    return image != empty;
}

} // namespace

class TestSnakeControls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { ContourViews::Register(); }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        Settings::Load(IniPath());
        SharedSnakeParams::UpdateFromSettings();
    }
    void cleanup() { dir.reset(); }

    void panelsShowTheirTexts()
    {
        SnakeMainControl main(nullptr);
        QCOMPARE(main.GetName(), QString("Base controls"));
        QCOMPARE(GroupTitles(&main), QStringList({"Energies", "Process contour", "Delete contours"}));
        QCOMPARE(Texts<QPushButton>(&main),
            QStringList({"Single step", "Image", "Stack", "First", "Whole sequence", "Last"}));
        for (const char* name : {"alpha", "beta", "gamma", "delta"}) {
            const auto* icon = main.findChild<QLabel*>(QString(name) + "Icon");
            QVERIFY2(icon, name);
            QCOMPARE(icon->pixmap(Qt::ReturnByValue).size(), QSize(36, 24));
            QVERIFY2(HasOpaquePixel(icon->pixmap(Qt::ReturnByValue)), name);
        }

        SnakeParametersControl parameters;
        QCOMPARE(parameters.GetName(), QString("Parameters"));
        QCOMPARE(
            GroupTitles(&parameters), QStringList({"Iteration limits", "Contour geometry", "Node movement", "Image"}));
        QCOMPARE(Texts<QLabel>(&parameters),
            QStringList({"Max. images", "Max. iterations per image", "Optimal spacing", "Shrinkage",
                "Max. search depth", "Max. node displacement", "Thresholds", "to", "Background preference:"}));
        QCOMPARE(parameters.GetReverseCheckBox()->text(), QString("Reverse direction"));
        QComboBox* combo = parameters.GetBackgroundCombo();
        QCOMPARE(QStringList({combo->itemText(0), combo->itemText(1), combo->itemText(2)}),
            QStringList({"White", "Black", "None"}));
        QCOMPARE(combo->count(), 3);
        const QList<QLineEdit*> edits = parameters.findChildren<QLineEdit*>();
        QCOMPARE(edits.size(), 8);
        for (const QLineEdit* edit : edits)
            QCOMPARE(edit->maximumWidth(), 56);
    }

    // Panels made earlier (another sequence's, say) show the settings of the moment they are
    // shown, and hiding them unedited writes nothing back.
    void fieldsShowTheSettings()
    {
        SnakeMainControl main(nullptr);
        SnakeParametersControl parameters;
        Settings::ActiveContours& ac = Settings::Values().activeContours;
        ac.alpha = 0.1234567f;
        ac.beta = 2.5f;
        ac.gamma = 1234567.0f;
        ac.delta = 0.0f;
        ac.distance = 9.0f;
        ac.maxSlices = 12;
        ac.maxIter = 65535;
        ac.isReversedirection = true;
        ac.shrinkage = -4;
        ac.depth = 9;
        ac.disp = 2;
        ac.thrMin = 100;
        ac.thrMax = 4000;
        ac.background = 2;
        main.show();
        parameters.show();
        QCOMPARE(
            QStringList({main.GetWeightEdit(SnakeMainControl::Alpha)->text(),
                main.GetWeightEdit(SnakeMainControl::Beta)->text(), main.GetWeightEdit(SnakeMainControl::Gamma)->text(),
                main.GetWeightEdit(SnakeMainControl::Delta)->text()}),
            QStringList({"0.123457", "2.5", "1.23457e+06", "0"}));
        QCOMPARE(QStringList({parameters.GetMaxImagesEdit()->text(), parameters.GetMaxIterationsEdit()->text(),
                     parameters.GetSpacingEdit()->text(), parameters.GetShrinkageEdit()->text(),
                     parameters.GetDepthEdit()->text(), parameters.GetDisplacementEdit()->text(),
                     parameters.GetThresholdMinEdit()->text(), parameters.GetThresholdMaxEdit()->text()}),
            QStringList({"12", "65535", "9", "-4", "9", "2", "100", "4000"}));
        QVERIFY(parameters.GetReverseCheckBox()->isChecked());
        QCOMPARE(parameters.GetBackgroundCombo()->currentIndex(), 2);

        main.hide();
        parameters.hide();
        QVERIFY(!QFile::exists(IniPath()));
        QCOMPARE(ac.distance, 9.0f);
        QCOMPARE(ac.alpha, 0.1234567f);

        // An edit stores that field alone: a value changed elsewhere while the panel was on show
        // keeps its new value.
        parameters.show();
        main.show();
        ac.distance = 5.0f;
        ac.alpha = 3.0f;
        parameters.GetDepthEdit()->setText("11");
        main.GetWeightEdit(SnakeMainControl::Delta)->setText("0.5");
        parameters.hide();
        main.hide();
        const QStringList lines = ContourLines(IniPath());
        QCOMPARE(QStringList({ValueOf(lines, "depth"), ValueOf(lines, "distance"), ValueOf(lines, "delta"),
                     ValueOf(lines, "alpha")}),
            QStringList({"11", "5.000000", "0.500000", "3.000000"}));
        QCOMPARE(SharedSnakeParams::Get().delta, 0.5);
    }

    // "Reverse direction" has a row of its own: no two widgets of a group overlap.
    void widgetsDoNotOverlap()
    {
        SnakeMainControl main(nullptr);
        SnakeParametersControl parameters;
        for (QWidget* panel : {static_cast<QWidget*>(&main), static_cast<QWidget*>(&parameters)}) {
            panel->show();
            QVERIFY(QTest::qWaitForWindowExposed(panel));
            for (const QGroupBox* group : panel->findChildren<QGroupBox*>()) {
                const QList<QWidget*> children = group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
                for (int i = 0; i < children.size(); ++i)
                    for (int j = i + 1; j < children.size(); ++j)
                        QVERIFY2(!children[i]->geometry().intersects(children[j]->geometry()),
                            qPrintable(children[i]->objectName() + " / " + children[j]->objectName() + " in "
                                + group->title()));
            }
        }
    }

    // OK takes a size that is a whole number above 0 and a spacing that is any number above 0;
    // anything else is refused with a message, and the dialog stays open.
    void newContourDialogReadsItsFields_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<QString>("warning"); // empty: accepted
        const auto row = [](const char* name, const char* size, const char* spacing, const char* warning) {
            QTest::newRow(name) << QString(size) << QString(spacing) << QString(warning);
        };
        row("decimal spacing", "16", "2.5", "");
        row("spacing, no number", "16", "2,5", "The spacing \"2,5\" is not a number greater than 0.");
        row("spacing 0", "16", "0", "The spacing \"0\" is not a number greater than 0.");
        row("spacing, infinite", "16", "inf", "The spacing \"inf\" is not a number greater than 0.");
        row("size, decimal", "2.5", "3", "The size \"2.5\" is not a whole number greater than 0.");
        row("size, negative", "-4", "3", "The size \"-4\" is not a whole number greater than 0.");
    }
    void newContourDialogReadsItsFields()
    {
        QFETCH(QString, size);
        QFETCH(QString, spacing);
        QFETCH(QString, warning);
        ScopedPrompter prompter;
        NewSnakeDialog dialog;
        dialog.show();
        dialog.GetSizeEdit()->setText(size);
        dialog.GetSpacingEdit()->setText(spacing);
        auto* ok = dialog.findChild<QPushButton*>();
        QCOMPARE(ok->text(), QString("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.isVisible(), !warning.isEmpty());
        QCOMPARE(prompter->Count(ScriptedPrompter::Kind::Warning), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty())
            QCOMPARE(prompter->Last().title + ": " + prompter->Last().text, "New active contour: " + warning);
        QCOMPARE(dialog.result(), warning.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
    }

    void parametersAreReadOnHide_data()
    {
        QTest::addColumn<QString>("field"); // object name
        QTest::addColumn<QString>("input"); // text, checked state or item index
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("written");
        const auto row
            = [](const char* name, const char* field, const char* input, const char* key, const char* written) {
                  QTest::newRow(name) << QString(field) << QString(input) << QString(key) << QString(written);
              };
        row("spacing", "spacingEdit", "2.5", "distance", "2.500000");
        row("spacing, no number", "spacingEdit", "abc", "distance", "0.000000");
        row("spacing, nan", "spacingEdit", "nan", "distance", "0.000000");
        row("shrinkage, negative", "shrinkageEdit", "-3", "shrinkage", "-3");
        row("depth, no number", "depthEdit", "seven", "depth", "0");
        row("displacement", "displacementEdit", "4", "disp", "4");
        row("iterations, 16-bit limit", "maxIterationsEdit", "65535", "maxIter", "65535");
        row("iterations, beyond 16 bits", "maxIterationsEdit", "65536", "maxIter", "0");
        row("images", "maxImagesEdit", "12", "maxSlices", "12");
        row("lower threshold, negative", "thresholdMinEdit", "-1", "thrMin", "0");
        row("upper threshold", "thresholdMaxEdit", "1000", "thrMax", "1000");
        row("reverse direction", "reverseCheckBox", "1", "isReversedirection", "1");
        row("background", "backgroundCombo", "1", "background", "1");
    }
    void parametersAreReadOnHide()
    {
        QFETCH(QString, field);
        QFETCH(QString, input);
        QFETCH(QString, key);
        QFETCH(QString, written);
        SnakeParametersControl parameters;
        parameters.show();
        QWidget* widget = parameters.findChild<QWidget*>(field);
        QVERIFY(widget);
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            edit->setText(input);
        else if (auto* check = qobject_cast<QCheckBox*>(widget))
            check->setChecked(input == "1");
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            combo->setCurrentIndex(input.toInt());
        // Nothing is stored while the panel is shown.
        QVERIFY(!QFile::exists(IniPath()));
        parameters.hide();

        const QStringList lines = ContourLines(IniPath());
        QCOMPARE(lines.size(), 10);
        QCOMPARE(ValueOf(lines, key), written);
        // The shared contour parameters follow the settings.
        const Settings::ActiveContours& ac = Settings::Values().activeContours;
        const SnakeParams& shared = SharedSnakeParams::Get();
        QCOMPARE(shared.distance, double(ac.distance));
        QCOMPARE(shared.shrinkage, double(ac.shrinkage));
        QCOMPARE(shared.depth, double(ac.depth));
        QCOMPARE(shared.disp, double(ac.disp));
        QCOMPARE(int(shared.background), ac.background);
        // The new contour dialog offers the stored spacing.
        if (field == "spacingEdit")
            QCOMPARE(NewSnakeDialog().GetSpacingEdit()->text(), QString::number(double(ac.distance)));
    }

    void buttonsActOnTheSequence_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("expected"); // what the sequence heard, with the weights then
        const QString applied = "alpha=1.500000 beta=0.000000 gamma=0.250000 delta=0.001000 shared alpha 1.5";
        const QString unchanged = "<missing> <missing> <missing> <missing> shared alpha 0";
        const auto row = [](const char* name, const char* button, const QString& expected) {
            QTest::newRow(name) << QString(button) << expected;
        };
        row("Single step", "singleStepButton", "processStepRequested " + applied);
        row("Image", "processImageButton", "processSliceRequested " + applied);
        row("Stack", "processStackButton", "processStackRequested " + applied);
        row("First", "deleteFirstButton", "deleteFirstRequested " + unchanged);
        row("Whole sequence", "deleteAllButton", "deleteSelectedRequested " + unchanged);
        row("Last", "deleteLastButton", "deleteLastRequested " + unchanged);
    }
    void buttonsActOnTheSequence()
    {
        QFETCH(QString, button);
        QFETCH(QString, expected);
        SnakeSequence sequence("Contours", 0, LVX::XY);
        SnakeMainControl main(&sequence);
        main.SetButtonsEnabled(true);
        main.GetWeightEdit(SnakeMainControl::Alpha)->setText("1.5");
        main.GetWeightEdit(SnakeMainControl::Beta)->setText("x");
        main.GetWeightEdit(SnakeMainControl::Gamma)->setText("0.25");
        main.GetWeightEdit(SnakeMainControl::Delta)->setText("1e-3");

        QStringList heard;
        const auto record = [&](const QString& signal) {
            return [&heard, signal, this] {
                const QStringList lines = ContourLines(IniPath());
                QStringList weights;
                for (const char* key : {"alpha", "beta", "gamma", "delta"}) {
                    const QString value = ValueOf(lines, key);
                    weights << (value == "<missing>" ? value : QString(key) + "=" + value);
                }
                heard << signal + " " + weights.join(' ') + " shared alpha "
                        + QString::number(SharedSnakeParams::Get().alpha);
            };
        };
        connect(&sequence, &SnakeSequence::processStepRequested, this, record("processStepRequested"));
        connect(&sequence, &SnakeSequence::processSliceRequested, this, record("processSliceRequested"));
        connect(&sequence, &SnakeSequence::processStackRequested, this, record("processStackRequested"));
        connect(&sequence, &SnakeSequence::deleteFirstRequested, this, record("deleteFirstRequested"));
        connect(&sequence, &SnakeSequence::deleteSelectedRequested, this, record("deleteSelectedRequested"));
        connect(&sequence, &SnakeSequence::deleteLastRequested, this, record("deleteLastRequested"));

        auto* pushButton = main.findChild<QPushButton*>(button);
        QVERIFY(pushButton);
        QTest::mouseClick(pushButton, Qt::LeftButton);
        QCOMPARE(heard, QStringList{expected});
    }

    void buttonsNeedAStack()
    {
        // Alone a sequence's panels keep their buttons disabled; docked to a stack's button they
        // enable them, and undocked disable them again.
        SnakeSequence sequence("Contours", 0, LVX::XY);
        ImageStack stack(8, 8, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "px");
        LVXObjectWidget stackWidget(&stack, nullptr);
        LVXObjectWidget sequenceWidget(&sequence, nullptr);
        QCOMPARE(sequenceWidget.GetControls().size(), size_t(2));
        std::unique_ptr<Control> first(sequenceWidget.GetControls()[0].control);
        std::unique_ptr<Control> second(sequenceWidget.GetControls()[1].control);
        auto* main = qobject_cast<SnakeMainControl*>(first.get());
        QVERIFY(main);
        QVERIFY(qobject_cast<SnakeParametersControl*>(second.get()));
        QCOMPARE(main->GetSequence(), &sequence);
        const auto enabledCount = [main] {
            int count = 0;
            for (QPushButton* button : main->findChildren<QPushButton*>())
                count += button->isEnabled();
            return count;
        };
        QCOMPARE(enabledCount(), 0);
        stackWidget.Attach(&sequenceWidget);
        QCOMPARE(sequence.GetStack(), &stack);
        QCOMPARE(enabledCount(), 6);
        stackWidget.Detach(&sequenceWidget);
        QCOMPARE(enabledCount(), 0);
    }

private:
    QString IniPath() const { return dir->filePath("lumivox.ini"); }

    std::unique_ptr<QTemporaryDir> dir;
};

LUMIVOX_REGISTER_TEST(TestSnakeControls)
#include "TestSnakeControls.moc"
