#include "ScopedKernels.h"
#include "TestRegistry.h"

#include "BoolImage.h"
#include "Data.h"
#include "ScriptedPrompter.h"
#include "TypedImage.h"
#include "app/App.h"
#include "contours/ContinueSnakeDialog.h"
#include "contours/ContourProcessing.h"
#include "contours/NewSnakeDialog.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "surfaces/SimpleSurface.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LogWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/SliceView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {

// A byte stack of `slices` slices of 100 x 80 pixels, each with a bright disc of radius 12 about
// (50, 40) on a dark background.
std::unique_ptr<ImageStack> DiscStack(uint32_t slices)
{
    auto stack
        = std::make_unique<ImageStack>(100, 80, Image::BYTE, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "px");
    for (uint32_t z = 0; z < slices; ++z) {
        auto image = Image::FromType(100, 80, Image::BYTE, RATIONAL(1, 1), RATIONAL(1, 1), "px");
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x)
                image->Set(x, y, std::hypot(x - 50.0, y - 40.0) <= 12.0 ? 200.0f : 20.0f);
        stack->AppendImage(std::move(image));
    }
    stack->SetName("Discs");
    return stack;
}

std::vector<Point> Nodes(const Snake& snake)
{
    return snake.GetPoints();
}

} // namespace

class TestContourProcessing : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        Settings::Load(dir->filePath("lumivox.ini"));
        Settings::ActiveContours& ac = Settings::Values().activeContours;
        ac.alpha = 0.5f;
        ac.beta = 0.5f;
        ac.gamma = 1.0f;
        ac.depth = 20;
        ac.background = 1; // dark outside: the intensity falls outward
        ac.shrinkage = 2;
        SharedSnakeParams::UpdateFromSettings();
        prompter = std::make_unique<ScopedPrompter>();
        window = std::make_unique<LumivoxWnd>();
        window->resize(900, 700);
        window->show();
        app = std::make_unique<App>(window.get());
    }

    void cleanup()
    {
        app.reset();
        window.reset();
        prompter.reset();
        Settings::Load(QString());
        SharedSnakeParams::UpdateFromSettings();
        dir.reset();
    }

    // --- stack runs ---

    void stackRunStartsOnTheEndSlice_data()
    {
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<int>("firstRound");  // the slice shown after "Stack"
        QTest::addColumn<int>("secondRound"); // the slice shown after OK
        QTest::addColumn<uint32_t>("firstSliceAfter");
        QTest::newRow("forward: last contour, then beyond it") << false << 3 << 4 << 2u;
        QTest::newRow("reversed: first contour, then before it") << true << 2 << 1 << 1u;
    }

    void stackRunStartsOnTheEndSlice()
    {
        QFETCH(bool, reversed);
        QFETCH(int, firstRound);
        QFETCH(int, secondRound);
        QFETCH(uint32_t, firstSliceAfter);
        Settings::Values().activeContours.isReversedirection = reversed;
        Settings::Values().activeContours.maxIter = 1;
        SliceView* view = OpenView(DiscStack(8));
        SnakeSequence* sequence = AddSequence(2, {30.0, 30.0}, LVX::XY);
        Select({sequence});

        app->onSnakeProcessStack();
        QCOMPARE(view->GetIndex(LVX::XY), firstRound);
        QCOMPARE(sequence->GetCount(), 2u); // the end slice itself first, nothing added
        ContinueSnakeDialog* dialog = OpenDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QString("Process stack"));
        QCOMPARE(dialog->text(), QString("Press OK to continue"));
        QCOMPARE(dialog->icon(), QMessageBox::NoIcon);
        QCOMPARE(dialog->GetNext(), 1u);
        QVERIFY(!dialog->isModal());

        // The next dialog opens where this one was answered.
        dialog->move(123, 77);
        const QPoint answeredAt = dialog->pos();
        dialog->button(QMessageBox::Ok)->click();
        QCOMPARE(view->GetIndex(LVX::XY), secondRound);
        QCOMPARE(sequence->GetCount(), 3u);
        QCOMPARE(sequence->GetFirstSlice(), firstSliceAfter);
        ContinueSnakeDialog* next = OpenDialog();
        QVERIFY(next);
        QVERIFY(next != dialog);
        QCOMPARE(next->GetNext(), 2u);
        QCOMPARE(next->pos(), answeredAt);
    }

    void maxIterZeroMovesNothingButTheRunGoesOn()
    {
        Settings::Values().activeContours.maxIter = 0;
        SliceView* view = OpenView(DiscStack(6));
        SnakeSequence* sequence = AddSequence(2, {40.0}, LVX::XY);
        Select({sequence});
        const std::vector<Point> seeded = Nodes(*sequence->GetSnake(2));

        view->SetIndex(2, LVX::XY);
        app->onSnakeProcessSlice();
        QCOMPARE(Nodes(*sequence->GetSnake(2)), seeded);

        app->onSnakeProcessStack();
        QCOMPARE(Nodes(*sequence->GetSnake(2)), seeded);
        QVERIFY(OpenDialog());
        OpenDialog()->button(QMessageBox::Ok)->click();
        // Slice 3 got a shrunk copy of the contour, and nothing moved on it.
        QCOMPARE(sequence->GetCount(), 2u);
        QCOMPARE(Nodes(*sequence->GetSnake(2)), seeded);
        Snake copy(*sequence->GetSnake(2));
        copy.Shrink(2, 0);
        QCOMPARE(Nodes(*sequence->GetSnake(3)), Nodes(copy));
        QVERIFY(sequence->GetSnake(3)->GetArea() < sequence->GetSnake(2)->GetArea());
        QVERIFY(OpenDialog());
    }

    void stackRunEnds_data()
    {
        QTest::addColumn<uint32_t>("slices");
        QTest::addColumn<uint32_t>("firstSlice");
        QTest::addColumn<bool>("reversed");
        QTest::addColumn<unsigned>("maxSlices");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("rounds"); // dialogs shown before the run ends
        QTest::addColumn<uint32_t>("count");
        QTest::newRow("max. images") << 10u << 2u << false << 3u << false << 3 << 3u;
        QTest::newRow("end of the stack") << 5u << 2u << false << 10u << false << 3 << 3u;
        QTest::newRow("slice 0, reversed") << 8u << 1u << true << 10u << false << 2 << 2u;
        QTest::newRow("no images") << 8u << 1u << false << 0u << false << 0 << 1u;
        QTest::newRow("cancelled") << 8u << 2u << false << 10u << true << 1 << 1u;
    }

    void stackRunEnds()
    {
        QFETCH(uint32_t, slices);
        QFETCH(uint32_t, firstSlice);
        QFETCH(bool, reversed);
        QFETCH(unsigned, maxSlices);
        QFETCH(bool, cancel);
        QFETCH(int, rounds);
        QFETCH(uint32_t, count);
        Settings::Values().activeContours.maxIter = 1;
        Settings::Values().activeContours.maxSlices = maxSlices;
        Settings::Values().activeContours.isReversedirection = reversed;
        OpenView(DiscStack(slices));
        SnakeSequence* sequence = AddSequence(firstSlice, {30.0}, LVX::XY);
        Select({sequence});

        app->onSnakeProcessStack();
        int shown = 0;
        while (ContinueSnakeDialog* dialog = OpenDialog()) {
            QVERIFY(shown < 20);
            ++shown;
            dialog->button(cancel ? QMessageBox::Cancel : QMessageBox::Ok)->click();
        }
        QCOMPARE(shown, rounds);
        QCOMPARE(sequence->GetCount(), count);
        QCOMPARE(sequence->GetFirstSlice(), reversed ? firstSlice + 1 - count : firstSlice);
        QTRY_VERIFY(window->findChildren<ContinueSnakeDialog*>().isEmpty()); // deleted once closed
    }

    void mixedPlanesAreRefused()
    {
        SliceView* view = OpenView(DiscStack(6));
        SnakeSequence* xy = AddSequence(2, {30.0}, LVX::XY);
        SnakeSequence* xz = AddSequence(2, {30.0}, LVX::XZ);
        Select({xy, xz});
        app->onSnakeProcessStack();
        QCOMPARE((*prompter)->Count(ScriptedPrompter::Kind::Warning), 1);
        QCOMPARE((*prompter)->Last().title, QString("Process snake sequence"));
        QCOMPARE((*prompter)->Last().text, QString("All contours must have the same orientation to do this."));
        QCOMPARE((*prompter)->Last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!OpenDialog());
        QCOMPARE(xy->GetCount(), 1u);
        QCOMPARE(view->GetIndex(LVX::XY), 2); // the view shows the middle slice still
    }

    // --- one slice ---

    void sequencesStayOutOfEachOther_data()
    {
        QTest::addColumn<bool>("innerFirst");
        QTest::newRow("inner selected first") << true;
        QTest::newRow("outer selected first") << false;
    }

    void sequencesStayOutOfEachOther()
    {
        QFETCH(bool, innerFirst);
        SliceView* view = OpenView(DiscStack(5));
        view->SetIndex(2, LVX::XY);
        // The inner contour sits on the disc's edge; the outer one is drawn towards that edge.
        SnakeSequence* inner = AddSequence(2, {24.0}, LVX::XY);
        SnakeSequence* outer = AddSequence(2, {40.0}, LVX::XY);
        Select(innerFirst ? std::vector<SnakeSequence*>{inner, outer} : std::vector<SnakeSequence*>{outer, inner});
        const std::vector<Point> outerSeed = Nodes(*outer->GetSnake(2));

        app->onSnakeProcessSlice();
        QVERIFY(Nodes(*outer->GetSnake(2)) != outerSeed);
        const std::unique_ptr<BoolImage> innerArea = Snake::Mask({inner->GetSnake(2)}, 100, 80, true);
        for (const Point& p : Nodes(*outer->GetSnake(2)))
            QVERIFY2(!innerArea->GetBool(int(std::lround(p.x)), int(std::lround(p.y))),
                qPrintable(QString("outer node at %1, %2").arg(p.x).arg(p.y)));
    }

    void singleStepStopsAfterTheFirstMover()
    {
        SliceView* view = OpenView(DiscStack(5));
        view->SetIndex(2, LVX::XY);
        SnakeSequence* first = AddSequence(2, {40.0}, LVX::XY);
        SnakeSequence* second = AddSequence(2, {16.0}, LVX::XY, -30.0f); // apart from the first
        // A node pulled out of the circle, which the curvature term pulls back when stepped.
        Snake* kinked = second->GetSnake(2);
        kinked->SetNode(0, (*kinked)[0].x + 4.0f, (*kinked)[0].y);
        const std::vector<Point> secondSeed = Nodes(*second->GetSnake(2));
        const std::vector<Point> firstSeed = Nodes(*first->GetSnake(2));

        Select({first, second});
        app->onSnakeProcessStep();
        QVERIFY(Nodes(*first->GetSnake(2)) != firstSeed);
        QCOMPARE(Nodes(*second->GetSnake(2)), secondSeed);

        Select({second});
        app->onSnakeProcessStep();
        QVERIFY(Nodes(*second->GetSnake(2)) != secondSeed);
    }

    // --- deleting ---

    void deleteContours_data()
    {
        QTest::addColumn<bool>("front");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<uint32_t>("left");
        QTest::addColumn<uint32_t>("firstSlice");
        QTest::newRow("one in front") << true << "1" << 2u << 3u;
        QTest::newRow("two at the back") << false << "2" << 1u << 2u;
        QTest::newRow("all in front") << true << "3" << 0u << 0u;
        QTest::newRow("more than there are") << false << "9" << 0u << 0u;
        QTest::newRow("not a number") << true << "x" << 3u << 2u;
    }

    void deleteContours()
    {
        QFETCH(bool, front);
        QFETCH(QString, answer);
        QFETCH(uint32_t, left);
        QFETCH(uint32_t, firstSlice);
        OpenView(DiscStack(8));
        SnakeSequence* sequence = AddSequence(2, {30.0, 30.0, 30.0}, LVX::XY);
        Select({sequence});
        (*prompter)->AddText(answer);
        if (front)
            emit sequence->deleteFirstRequested();
        else
            emit sequence->deleteLastRequested();
        QCOMPARE((*prompter)->Last().kind, ScriptedPrompter::Kind::Text);
        QCOMPARE((*prompter)->Last().title,
            front ? QString("Delete front active contours") : QString("Delete back active contours"));
        QCOMPARE((*prompter)->Last().text, QString("Count:"));
        QCOMPARE((*prompter)->Last().initial, QString("1"));
        if (left > 0) {
            QCOMPARE(sequence->GetCount(), left);
            QCOMPARE(sequence->GetFirstSlice(), firstSlice);
            QVERIFY(app->Registry().Contains(sequence));
        } else {
            QTRY_VERIFY(!app->Registry().Contains(sequence));
            QVERIFY(!window->FindObjectWidget(sequence));
        }
    }

    void deleteWholeSequences_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("removed");
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
        QTest::newRow("no") << int(QMessageBox::No) << false;
    }

    void deleteWholeSequences()
    {
        QFETCH(int, answer);
        QFETCH(bool, removed);
        OpenView(DiscStack(4));
        SnakeSequence* a = AddSequence(1, {30.0}, LVX::XY);
        SnakeSequence* b = AddSequence(2, {30.0}, LVX::XY);
        SnakeSequence* kept = AddSequence(3, {30.0}, LVX::XY);
        Select({a, b});
        (*prompter)->AddButton(QMessageBox::StandardButton(answer));
        emit b->deleteSelectedRequested();
        QCOMPARE((*prompter)->Last().kind, ScriptedPrompter::Kind::Question);
        QCOMPARE((*prompter)->Last().title, QString("Delete active contour sequences"));
        QCOMPARE((*prompter)->Last().text, QString("Do you really want to delete selected active contour sequences?"));
        QCOMPARE((*prompter)->Last().buttons, QMessageBox::Yes | QMessageBox::No);
        if (removed) {
            QTRY_VERIFY(!app->Registry().Contains(a) && !app->Registry().Contains(b));
        } else {
            QVERIFY(app->RemovalQueue().empty());
            QVERIFY(app->Registry().Contains(a) && app->Registry().Contains(b));
        }
        QVERIFY(app->Registry().Contains(kept));
    }

    void nothingSelectedDoesNothing()
    {
        OpenView(DiscStack(4));
        SnakeSequence* sequence = AddSequence(1, {30.0}, LVX::XY);
        window->GetNetwork()->ClearSelection();
        app->onSnakeDeleteFirst();
        app->onSnakeProcessStack();
        app->onSnakeDeleteSelected();
        QVERIFY((*prompter)->Calls().isEmpty());
        QVERIFY(!OpenDialog());
        QCOMPARE(sequence->GetCount(), 1u);
    }

    // --- new contours and files ---

    void newContourFromTheDialog_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("spacing");
        QTest::addColumn<unsigned>("storedSize");
        QTest::addColumn<float>("storedDistance");
        QTest::addColumn<QString>("warning"); // empty: the contour is made
        QTest::newRow("integers") << QString("24") << QString("3") << 24u << 3.0f << QString();
        QTest::newRow("decimal spacing") << QString("16") << QString("0.75") << 16u << 0.75f << QString();
        // Bad text is refused with a message and nothing is stored.
        QTest::newRow("spacing, no number") << QString("16") << QString("abc") << 30u << 2.5f
                                            << QString("The spacing \"abc\" is not a number greater than 0.");
        QTest::newRow("size, no number") << QString("") << QString("3") << 30u << 2.5f
                                         << QString("The size \"\" is not a whole number greater than 0.");
    }

    void newContourFromTheDialog()
    {
        QFETCH(QString, size);
        QFETCH(QString, spacing);
        QFETCH(unsigned, storedSize);
        QFETCH(float, storedDistance);
        QFETCH(QString, warning);
        Settings::Values().activeContours.size = 30;
        Settings::Values().activeContours.distance = 2.5f;
        SharedSnakeParams::UpdateFromSettings();
        SliceView* view = OpenView(DiscStack(7));
        view->SetIndex(4, LVX::XY);
        QString shownSize;
        QString shownSpacing;
        QString title;
        QString geometry;
        (*prompter)->AddDialogHandler([&](QDialog* dialog) {
            auto* newSnake = qobject_cast<NewSnakeDialog*>(dialog);
            if (!newSnake)
                return int(QDialog::Rejected);
            title = newSnake->windowTitle();
            geometry = QString("%1 x %2, fields %3 and %4")
                           .arg(newSnake->width())
                           .arg(newSnake->height())
                           .arg(newSnake->GetSizeEdit()->maximumWidth())
                           .arg(newSnake->GetSpacingEdit()->maximumWidth());
            shownSize = newSnake->GetSizeEdit()->text();
            shownSpacing = newSnake->GetSpacingEdit()->text();
            newSnake->GetSizeEdit()->setText(size);
            newSnake->GetSpacingEdit()->setText(spacing);
            return int(QDialog::Accepted);
        });
        emit window->newSnakeRequested(QPoint(50, 40), LVX::XY, view);

        QCOMPARE(title, QString("New active contour"));
        QCOMPARE(geometry, QString("202 x 103, fields 60 and 60"));
        QCOMPARE(shownSize, QString("30"));
        QCOMPARE(shownSpacing, QString("2.5"));
        QCOMPARE(Settings::Values().activeContours.size, storedSize);
        QCOMPARE(Settings::Values().activeContours.distance, storedDistance);
        QCOMPARE(SharedSnakeParams::Get().distance, double(storedDistance));
        const QList<LVXObjectWidget*> widgets = window->GetObjectWidgets(LVX::SnakeSequenceType);
        if (!warning.isEmpty()) {
            QCOMPARE((*prompter)->Last().title + ": " + (*prompter)->Last().text, "New active contour: " + warning);
            QVERIFY(!QFile::exists(Settings::FilePath()));
            QVERIFY(widgets.isEmpty());
            return;
        }
        Settings::Load(Settings::FilePath()); // what the file says
        QCOMPARE(Settings::Values().activeContours.size, storedSize);
        QCOMPARE(Settings::Values().activeContours.distance, storedDistance);

        QCOMPARE(widgets.size(), 1);
        auto* sequence = dynamic_cast<SnakeSequence*>(widgets.front()->GetObject());
        QVERIFY(sequence);
        QCOMPARE(sequence->GetName(), QString("Active contour1"));
        QCOMPARE(sequence->GetFirstSlice(), 4u);
        QCOMPARE(sequence->GetCount(), 1u);
        QCOMPARE(sequence->GetOrientation(), LVX::XY);
        QVERIFY(widgets.front()->isChecked());
        QCOMPARE(widgets.front()->GetDockedTo(), stackWidget);
        const Snake* snake = sequence->GetSnake(4);
        const auto box = snake->GetBoundingBox();
        QVERIFY(std::abs((box.first.x + box.second.x) / 2 - 50.0f) < 1.0f);
        QVERIFY(std::abs((box.first.y + box.second.y) / 2 - 40.0f) < 1.0f);
        QVERIFY(std::abs(box.second.x - box.first.x - float(size.toInt())) < 1.0f);
        // The sequence answers its panel's buttons.
        (*prompter)->AddButton(QMessageBox::No);
        emit sequence->deleteSelectedRequested();
        QCOMPARE((*prompter)->Last().title, QString("Delete active contour sequences"));
    }

    // Each new sequence is named with the next number; its panels, and those of an older
    // sequence shown again, show the settings of that moment, and switching writes nothing stale.
    void panelsOfTwoSequences()
    {
        SliceView* view = OpenView(DiscStack(3));
        const auto newContour = [&](const QString& spacing) {
            (*prompter)->AddDialogHandler([spacing](QDialog* dialog) {
                qobject_cast<NewSnakeDialog*>(dialog)->GetSpacingEdit()->setText(spacing);
                return int(QDialog::Accepted);
            });
            emit window->newSnakeRequested(QPoint(50, 40), LVX::XY, view);
            return dynamic_cast<SnakeSequence*>(app->Objects().back());
        };
        QTabWidget* tabs = window->GetControlTabs();
        const auto shownSpacing = [tabs] {
            tabs->setCurrentIndex(1);
            return tabs->currentWidget()->findChild<QLineEdit*>("spacingEdit")->text();
        };
        const auto alphaEdit = [tabs] {
            tabs->setCurrentIndex(0);
            return tabs->currentWidget()->findChild<QLineEdit*>("alphaEdit");
        };

        // A sequence named after its record file carries no number and takes no part.
        auto opened = std::make_unique<SnakeSequence>(QString("heart.acr"), 0u, LVX::XY);
        window->CreateObjectWidget(app->registerObject(std::move(opened)));
        SnakeSequence* first = newContour("5");
        QVERIFY(first);
        QCOMPARE(shownSpacing(), QString("5"));
        SnakeSequence* second = newContour("9");
        QVERIFY(second && second != first);
        QCOMPARE(
            QStringList({first->GetName(), second->GetName()}), QStringList({"Active contour1", "Active contour2"}));
        QCOMPARE(Settings::Values().activeContours.distance, 9.0f);
        QCOMPARE(shownSpacing(), QString("9"));

        // A weight edited on the second sequence's panel reaches the first one's.
        alphaEdit()->setText("0.75");
        Select({first});
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(Settings::Values().activeContours.distance, 9.0f);
        QCOMPARE(shownSpacing(), QString("9"));
        QCOMPARE(alphaEdit()->text(), QString("0.75"));
        QTest::mouseClick(tabs->currentWidget()->findChild<QPushButton*>("singleStepButton"), Qt::LeftButton);
        QCOMPARE(SharedSnakeParams::Get().alpha, 0.75);
        QCOMPARE(SharedSnakeParams::Get().distance, 9.0);

        // In the narrow control area every button has room for its text.
        for (QPushButton* button : tabs->currentWidget()->findChildren<QPushButton*>()) {
            const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin);
            QVERIFY2(button->width() >= button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin,
                qPrintable(button->text() + ": " + QString::number(button->width())));
        }
    }

    void newContourCancelled()
    {
        SliceView* view = OpenView(DiscStack(3));
        const size_t before = app->Registry().Size();
        (*prompter)->AddDialogResult(QDialog::Rejected);
        emit window->newSnakeRequested(QPoint(50, 40), LVX::XY, view);
        QCOMPARE(app->Registry().Size(), before);
        QCOMPARE(Settings::Values().activeContours.size, 30u);
    }

    void toSimpleSurface()
    {
        OpenView(DiscStack(6));
        SnakeSequence* sequence = AddSequence(1, {30.0, 28.0, 26.0}, LVX::XY);
        sequence->SetName("Tube");
        app->onContextMenuAction(window->FindObjectWidget(sequence), LVX::ToSimpleSurface);
        SimpleSurface* surface = nullptr;
        for (LVXObject* object : app->Objects())
            if (auto* found = dynamic_cast<SimpleSurface*>(object))
                surface = found;
        QVERIFY(surface);
        QCOMPARE(surface->GetName(), QString("Tube"));
        // Every node of the three contours is a vertex; the ends are closed.
        const size_t nodes
            = sequence->GetSnake(1)->Size() + sequence->GetSnake(2)->Size() + sequence->GetSnake(3)->Size();
        QVERIFY(surface->GetVertexCount() >= nodes);
        QVERIFY(surface->GetFacetCount() > 0);
        QVERIFY(window->FindObjectWidget(surface));
        QVERIFY(!window->FindObjectWidget(surface)->GetDockedTo());
    }

    void openRecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // empty: read
        QByteArray good("Active contour record 1.0.0.0005");
        good += Le(1u) + Le(3u) + Le(3u);
        for (float v : {10.0f, 10.0f, 20.0f, 10.0f, 15.0f, 20.0f})
            good += Le(v);
        QTest::newRow("good") << good << QString();
        QTest::newRow("not a record") << QByteArray("Passive contour recor 1.0.0.0005") << "Could not open file ";
    }

    void openRecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const QString path = dir->filePath("ring.acr");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const size_t before = app->Registry().Size();
        window->GetLog()->clear();

        window->OpenFileBySuffix(path);
        const QStringList lines = window->GetLog()->toPlainText().split('\n');
        QCOMPARE(lines.value(0), "> Loading " + path + ", " + QString::number(bytes.size()) + " Bytes...");
        if (error.isEmpty()) {
            QCOMPARE(lines.value(1), QString("> Done"));
            QCOMPARE(app->Registry().Size(), before + 1);
            const QList<LVXObjectWidget*> widgets = window->GetObjectWidgets(LVX::SnakeSequenceType);
            QCOMPARE(widgets.size(), 1);
            QCOMPARE(widgets.front()->GetObject()->GetName(), QString("ring.acr"));
            QVERIFY(!widgets.front()->GetDockedTo());
        } else {
            QVERIFY2(lines.value(1).contains("ERROR: " + error + path), qPrintable(lines.value(1)));
            QCOMPARE(app->Registry().Size(), before);
        }
    }

private:
    // The four little-endian bytes of a number.
    template <class T> static QByteArray Le(T v)
    {
        unsigned char b[4];
        Data::ToBytes(b, v);
        return QByteArray(reinterpret_cast<const char*>(b), 4);
    }

    SliceView* OpenView(std::unique_ptr<ImageStack> stack)
    {
        ImageStack* raw = app->registerObject(std::move(stack));
        stackWidget = window->CreateObjectWidget(raw);
        app->onContextMenuAction(stackWidget, LVX::NewSliceView);
        return dynamic_cast<SliceView*>(window->GetCurrentView());
    }

    // A sequence docked to the stack with one circular contour of each size about the disc's
    // centre (shifted right by `dx`), on consecutive slices from `firstSlice`.
    SnakeSequence* AddSequence(
        uint32_t firstSlice, const std::vector<double>& sizes, LVX::Orientation orientation, float dx = 0.0f)
    {
        auto sequence = std::make_unique<SnakeSequence>(QString("Contours"), firstSlice, orientation);
        for (double size : sizes)
            sequence->PushBack(std::make_unique<Snake>(Point(50.0f + dx, 40.0f), size, 4.0, &SharedSnakeParams::Get()));
        SnakeSequence* raw = app->registerObject(std::move(sequence));
        LVXObjectWidget* widget = window->CreateObjectWidget(raw);
        stackWidget->Attach(widget);
        return raw;
    }

    void Select(const std::vector<SnakeSequence*>& sequences)
    {
        NetworkWidget* network = window->GetNetwork();
        network->ClearSelection();
        network->SetMultiSelection(true);
        for (SnakeSequence* sequence : sequences)
            window->FindObjectWidget(sequence)->setChecked(true);
        network->SetMultiSelection(false);
    }

    // The continue dialog on show, or null.
    ContinueSnakeDialog* OpenDialog() const
    {
        for (ContinueSnakeDialog* dialog : window->findChildren<ContinueSnakeDialog*>())
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    ScopedKernels kernels;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedPrompter> prompter;
    std::unique_ptr<LumivoxWnd> window;
    std::unique_ptr<App> app;
    LVXObjectWidget* stackWidget = nullptr;
};

LUMIVOX_REGISTER_TEST(TestContourProcessing)
#include "TestContourProcessing.moc"
#include <QMessageBox>
