#include "views/OverlayFactory.h"

#include "app/Attachment.h"

#include <map>
#include <utility>

namespace {

std::map<int32_t, OverlayFactory::Maker>& Makers()
{
    static std::map<int32_t, OverlayFactory::Maker> makers;
    return makers;
}

} // namespace

void OverlayFactory::RegisterMaker(int32_t attachmentType, Maker maker)
{
    if (maker)
        Makers()[attachmentType] = std::move(maker);
    else
        Makers().erase(attachmentType);
}

bool OverlayFactory::HasMaker(int32_t attachmentType)
{
    return Makers().count(attachmentType) > 0;
}

BaseOverlay* CreateAttachmentOverlay(PaintWidget* paintWidget, Attachment* attachment)
{
    if (!paintWidget || !attachment)
        return nullptr;
    const auto it = Makers().find(attachment->GetType());
    if (it == Makers().end())
        return nullptr;
    return it->second(paintWidget, attachment);
}
