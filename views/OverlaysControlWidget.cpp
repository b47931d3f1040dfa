#include "views/OverlaysControlWidget.h"

#include "views/BaseOverlay.h"
#include "views/PaintWidget.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

OverlaysControlWidget::OverlaysControlWidget(PaintWidget* paintWidget, const QString& title, QWidget* parent)
    : QGroupBox(title, parent), paintWidget(paintWidget)
{
    layout = new QVBoxLayout(this);
    if (!paintWidget)
        return;
    for (const auto& overlay : paintWidget->GetOverlays())
        onPushBackOverlay(overlay.get());
    connect(paintWidget, &PaintWidget::overlayPushedBack, this, &OverlaysControlWidget::onPushBackOverlay);
    connect(paintWidget, &PaintWidget::overlayRemoved, this, &OverlaysControlWidget::onRemoveOverlay);
}

PaintWidget* OverlaysControlWidget::GetPaintWidget() const
{
    return paintWidget.data();
}

const OverlaysControlWidget::Row* OverlaysControlWidget::Find(const BaseOverlay* overlay) const
{
    const auto it
        = std::find_if(rows.begin(), rows.end(), [overlay](const Row& row) { return row.overlay == overlay; });
    return it == rows.end() ? nullptr : &*it;
}

QCheckBox* OverlaysControlWidget::CheckBoxOf(const BaseOverlay* overlay) const
{
    const Row* row = Find(overlay);
    return row ? row->checkBox : nullptr;
}

QLabel* OverlaysControlWidget::LabelOf(const BaseOverlay* overlay) const
{
    const Row* row = Find(overlay);
    return row ? row->label : nullptr;
}

void OverlaysControlWidget::onPushBackOverlay(BaseOverlay* overlay)
{
    if (!overlay || Find(overlay))
        return;
    auto* widget = new QWidget(this);
    auto* rowLayout = new QHBoxLayout(widget);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto* checkBox = new QCheckBox(widget);
    checkBox->setChecked(overlay->IsVisible());
    auto* label = new QLabel(overlay->GetName(), widget);
    rowLayout->addWidget(checkBox);
    rowLayout->addWidget(label, 1);
    layout->addWidget(widget);
    rows.push_back({overlay, widget, checkBox, label});

    connect(checkBox, &QCheckBox::toggled, overlay, &BaseOverlay::onVisibilityChanged);
    // Visibility set elsewhere shows in the check box, without coming back as a change.
    connect(overlay, &BaseOverlay::visibilityChanged, checkBox, [checkBox](bool visible) {
        const QSignalBlocker blocker(checkBox);
        checkBox->setChecked(visible);
    });
}

void OverlaysControlWidget::onRemoveOverlay(BaseOverlay* overlay)
{
    const auto it
        = std::find_if(rows.begin(), rows.end(), [overlay](const Row& row) { return row.overlay == overlay; });
    if (it == rows.end())
        return;
    QWidget* widget = it->widget;
    rows.erase(it);
    layout->removeWidget(widget);
    delete widget;
}
