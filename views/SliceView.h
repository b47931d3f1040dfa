#pragma once

#include "views/LinearView.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <memory>
#include <vector>

class Control;
class QVBoxLayout;

// One slice of an image stack at a time, chosen with the slider below the picture, at a zoom
// set with the spin box beside it.
class SliceView : public LinearView {
    Q_OBJECT
public:
    explicit SliceView(QWidget* parent = nullptr);
    SliceView(const SliceView& other); // display parameters and zoom; unbound
    ~SliceView() override;

    LVXObject* Clone() const override;
    std::vector<Control*> GetControls() override;
    // "slice_view" with "slider_value", "zoom", "image_center_x", "image_center_y" and "name";
    // the object's button closes the element.
    bool WriteXml(QXmlStreamWriter& xml) override;
    VirtualView* CreateVirtualView() override;
    // Puts back a stored state: zoom, slider value and the centre of the picture (fractions of
    // its size). Call it once the view is bound to its stack, whose binding moves the slider.
    void RestoreState(int sliderValue, float zoom, const QPointF& center);

    void UpdateOffsets() override; // keeps the centre (and with it a pan)
    void RescaleImage() override;
    void UpdateImage() override;

    // The display image of the current slice at zoom 1, and the zoomed copy on the paint widget.
    const QImage& GetUnscaledImage() const { return image; }
    const QImage& GetZoomedImage() const { return zoomedImage; }
    // The current slice as RGB bytes, bottom row first (the 3-D view's texture); built on the
    // first request after each slice change. Empty while nothing is shown.
    const std::vector<unsigned char>& GetRgbBuffer();

private:
    void Build();

    QVBoxLayout* layout = nullptr;
    QImage image;
    QImage zoomedImage;
    std::vector<unsigned char> rgbBuffer;
    const Image* rgbSource = nullptr; // the slice the RGB buffer is still to be built from
    // Zoom and slice size of the picture on show: a pan lasts while both stay.
    float shownZoom = 0.0f;
    QSize shownSize;
    std::vector<std::unique_ptr<Control>> controls;
};
