#include "contours/ContourViews.h"

#include "contours/SnakeMainControl.h"
#include "contours/SnakeOverlay.h"
#include "contours/SnakeParametersControl.h"
#include "contours/SnakeSequence.h"
#include "model/LVX.h"
#include "views/OverlayFactory.h"

#include <QLineEdit>
#include <cmath>

void ContourViews::Register()
{
    OverlayFactory::RegisterMaker(
        LVX::SnakeSequenceType, [](PaintWidget* paintWidget, Attachment* attachment) -> BaseOverlay* {
            auto* sequence = dynamic_cast<SnakeSequence*>(attachment);
            return sequence ? new SnakeOverlay(paintWidget, sequence) : nullptr;
        });
    SnakeSequence::SetControlsMaker([](SnakeSequence* sequence) -> std::vector<Control*> {
        return {new SnakeMainControl(sequence), new SnakeParametersControl()};
    });
}

QString ContourViews::FloatText(float value)
{
    return QString::number(double(value), 'g', 6);
}

float ContourViews::ReadFloat(const QLineEdit* edit)
{
    const float value = edit ? edit->text().toFloat() : 0.0f;
    return std::isfinite(value) ? value : 0.0f;
}
