#include "contours/ContourCommands.h"

#include "app/App.h"
#include "contours/ContinueSnakeDialog.h"
#include "contours/ContourMesh.h"
#include "contours/ContourProcessing.h"
#include "contours/NewSnakeDialog.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Log.h"
#include "model/ObjectNaming.h"
#include "model/ObjectRegistry.h"
#include "model/Prompter.h"
#include "model/Settings.h"
#include "stacks/VariableImageStack.h"
#include "surfaces/SimpleSurface.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "ui/NetworkWidget.h"
#include "views/ImageView.h"

#include <QFileInfo>

#include <algorithm>

#include <QMessageBox>
#include <memory>

namespace ContourCommands {

std::vector<SnakeSequence*> SelectedSequences(App& app)
{
    std::vector<SnakeSequence*> result;
    for (LVXObject* object : app.GetWindow()->GetNetwork()->GetSelectedObjects())
        if (object && object->GetType() == LVX::SnakeSequenceType)
            if (auto* sequence = dynamic_cast<SnakeSequence*>(object))
                result.push_back(sequence);
    return result;
}

namespace {

// The view of the current tab, provided there is one and something to process in it.
ImageView* ProcessingView(App& app, const std::vector<SnakeSequence*>& sequences)
{
    if (sequences.empty())
        return nullptr;
    return app.GetWindow()->GetCurrentView();
}

// One round of a stack run in the current view; asks whether to go on when a slice was processed.
void RunStackRound(
    App& app, const std::vector<SnakeSequence*>& sequences, VariableImageStack* stack, uint32_t start, uint32_t k)
{
    LumivoxWnd* window = app.GetWindow();
    ImageView* view = window->GetCurrentView();
    // The run belongs to its stack: it ends when that stack is gone or no longer in the current tab.
    if (!view || sequences.empty() || !stack || !app.Registry().Contains(stack) || view->GetStack() != stack)
        return;
    if (!ContourProcessing::ProcessStackSlice(sequences, *view, start, k))
        return;
    auto* dialog = new ContinueSnakeDialog(window, start, k + 1, sequences, stack);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(
        dialog, &QDialog::finished, &app, [&app, dialog](int result) { app.onDialSnakeButtonClicked(dialog, result); });
    if (app.HasContinueDialogPosition())
        dialog->move(app.DialogPosition());
    dialog->show();
}

// Deletes `count` contours at one end of every selected sequence; emptied sequences go.
void DeleteAtEnd(App& app, bool front)
{
    const std::vector<SnakeSequence*> sequences = SelectedSequences(app);
    ImageView* view = ProcessingView(app, sequences);
    if (!view)
        return;
    LumivoxWnd* window = app.GetWindow();
    QString answer;
    if (!Prompter::Current().GetText(
            window, front ? "Delete front active contours" : "Delete back active contours", "Count:", "1", &answer))
        return;
    const uint32_t count = answer.toUInt(); // not a number: 0
    for (SnakeSequence* sequence : sequences) {
        // Deleting stops with the last contour; larger counts change nothing more.
        for (uint32_t i = 0; i < count && !sequence->IsEmpty(); ++i) {
            if (front)
                sequence->DeleteFirst();
            else
                sequence->DeleteLast();
        }
        // The request came from the sequence's own panel, which removal deletes: later.
        if (sequence->IsEmpty())
            app.scheduleRemoval(sequence);
    }
    view->Refresh();
    view->RefreshOverlays();
}

// "Active contour" with the project's next name number for contour sequences. Sequences named
// after their record file take no part: they carry no number, and the numbering would stop at
// the first of them and hand out a number already in use.
QString NewSequenceName(const std::vector<ObjectKey>& objects)
{
    std::vector<ObjectKey> numbered;
    for (const ObjectKey& object : objects) {
        const bool endsInDigit = !object.name.isEmpty() && object.name.back() >= QLatin1Char('0')
            && object.name.back() <= QLatin1Char('9');
        if (object.type != LVX::SnakeSequenceType || endsInDigit)
            numbered.push_back(object);
    }
    return "Active contour" + QString::number(ObjectNaming::NextNameNumber(numbered, LVX::SnakeSequenceType));
}

} // namespace

void ProcessStep(App& app)
{
    const std::vector<SnakeSequence*> sequences = SelectedSequences(app);
    ImageView* view = ProcessingView(app, sequences);
    if (!view)
        return;
    ContourProcessing::StepSequences(sequences, *view);
    ContourProcessing::RedrawSequences(sequences, *view);
}

void ProcessSlice(App& app)
{
    const std::vector<SnakeSequence*> sequences = SelectedSequences(app);
    ImageView* view = ProcessingView(app, sequences);
    if (!view)
        return;
    ContourProcessing::IterateSlice(sequences, *view);
}

void ProcessStack(App& app)
{
    const std::vector<SnakeSequence*> sequences = SelectedSequences(app);
    ImageView* view = ProcessingView(app, sequences);
    if (!view)
        return;
    uint32_t start = 0;
    switch (ContourProcessing::StackStartSlice(sequences, &start)) {
    case ContourProcessing::StartResult::MixedOrientations:
        Prompter::Current().Warning(app.GetWindow(), "Process snake sequence",
            "All contours must have the same orientation to do this.", QMessageBox::Ok);
        return;
    case ContourProcessing::StartResult::NoContours:
        return;
    case ContourProcessing::StartResult::Ok:
        break;
    }
    RunStackRound(app, sequences, view->GetStack(), start, 0);
}

void AnswerContinueDialog(App& app, ContinueSnakeDialog* dialog, int result)
{
    if (!dialog)
        return;
    app.SetContinueDialogPosition(dialog->pos());
    if (result == QMessageBox::Ok)
        RunStackRound(app, dialog->GetSequences(), dialog->GetStack(), dialog->GetStart(), dialog->GetNext());
    else
        dialog->ReleaseSequences();
    // The dialog closes (and deletes itself) after this answer.
}

void DeleteFirst(App& app)
{
    DeleteAtEnd(app, true);
}

void DeleteLast(App& app)
{
    DeleteAtEnd(app, false);
}

void DeleteSelected(App& app)
{
    const std::vector<SnakeSequence*> sequences = SelectedSequences(app);
    if (!ProcessingView(app, sequences))
        return;
    if (Prompter::Current().Question(app.GetWindow(), "Delete active contour sequences",
            "Do you really want to delete selected active contour sequences?", QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    for (SnakeSequence* sequence : sequences)
        app.scheduleRemoval(sequence);
}

SnakeSequence* NewSequence(App& app, const QPoint& imagePoint, LVX::Orientation orientation, ImageView* view)
{
    if (!view || !view->GetBoundWidget() || !view->GetStack())
        return nullptr;
    LumivoxWnd* window = app.GetWindow();
    NewSnakeDialog dialog(window);
    if (Prompter::Current().Exec(&dialog) != QDialog::Accepted)
        return nullptr;
    int size = 0;
    float spacing = 0.0f;
    QString error;
    if (!dialog.Read(&size, &spacing, &error)) {
        Prompter::Current().Warning(window, NewSnakeDialog::Title(), error, QMessageBox::Ok);
        return nullptr;
    }
    Settings::ActiveContours& settings = Settings::Values().activeContours;
    settings.size = unsigned(size);
    Settings::WriteSize();
    settings.distance = spacing;
    Settings::WriteDistance();
    SharedSnakeParams::UpdateFromSettings();

    const int slice = view->GetIndex(orientation);
    auto sequence = std::make_unique<SnakeSequence>(
        NewSequenceName(app.Registry().Keys()), uint32_t(std::max(0, slice)), orientation);
    sequence->PushBack(std::make_unique<Snake>(
        Point(float(imagePoint.x()), float(imagePoint.y())), double(size), double(spacing), &SharedSnakeParams::Get()));
    SnakeSequence* raw = app.registerObject(std::move(sequence));
    LVXObjectWidget* widget = window->CreateObjectWidget(raw);
    view->GetBoundWidget()->Attach(widget);
    widget->setChecked(true);
    window->ShowControls(widget);
    return raw;
}

SnakeSequence* OpenSequence(App& app, const QString& path)
{
    const QFileInfo info(path);
    Log::Output("Loading " + path + ", " + QString::number(info.size()) + " Bytes...");
    auto sequence = std::make_unique<SnakeSequence>(path, info.fileName());
    if (!sequence->GetError().isEmpty()) {
        Log::Error(sequence->GetError());
        return nullptr;
    }
    sequence->SetName(info.fileName());
    SnakeSequence* raw = app.registerObject(std::move(sequence));
    app.GetWindow()->CreateObjectWidget(raw);
    Log::Output("Done");
    return raw;
}

SimpleSurface* ToSimpleSurface(App& app, LVXObjectWidget* sequenceWidget)
{
    auto* sequence = sequenceWidget ? dynamic_cast<SnakeSequence*>(sequenceWidget->GetObject()) : nullptr;
    if (!sequence)
        return nullptr;
    std::unique_ptr<SimpleSurface> surface
        = ContourMesh::BuildSurface(*sequence, sequence->GetPlacement(SnakeSequence::TransformChoice::FirstRelated));
    if (!surface)
        return nullptr; // no contours, nothing to mesh
    SimpleSurface* raw = app.registerObject(std::move(surface));
    LVXObjectWidget* widget = app.GetWindow()->CreateObjectWidget(raw);
    app.linkTo3DView(widget);
    return raw;
}

void RegisterContourActions(App& app)
{
    app.SetMenuHandler(LVX::ToSimpleSurface, [&app](LVXObjectWidget* sender) { ToSimpleSurface(app, sender); });
}

} // namespace ContourCommands
