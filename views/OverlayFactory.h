#pragma once

#include <cstdint>
#include <functional>

class Attachment;
class BaseOverlay;
class PaintWidget;

// The overlays that show attachments on a paint widget are made by type code: each attachment
// family registers a maker for its code (line 19, rectangle 17, selection 16, contour sequence 14,
// spline 18). A code without a maker gets no overlay.
namespace OverlayFactory {

// Returns a new overlay for the attachment (the caller takes ownership), named after it.
using Maker = std::function<BaseOverlay*(PaintWidget* paintWidget, Attachment* attachment)>;

// Installs the maker of a type code, replacing an earlier one; an empty maker removes it.
void RegisterMaker(int32_t attachmentType, Maker maker);
bool HasMaker(int32_t attachmentType);

} // namespace OverlayFactory

// A new overlay for the attachment on the paint widget, or null when its type has no maker (or
// either argument is null). The caller owns the result (normally PaintWidget::PushBackOverlay).
BaseOverlay* CreateAttachmentOverlay(PaintWidget* paintWidget, Attachment* attachment);
