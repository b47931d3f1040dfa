#pragma once

#include <QGroupBox>
#include <QPointer>
#include <vector>

class BaseOverlay;
class PaintWidget;
class QCheckBox;
class QLabel;
class QVBoxLayout;

// One row per overlay of a paint widget: a check box that shows and sets the overlay's
// visibility, and the overlay's name. Rows come and go with the overlays.
class OverlaysControlWidget : public QGroupBox {
    Q_OBJECT
public:
    OverlaysControlWidget(PaintWidget* paintWidget, const QString& title, QWidget* parent = nullptr);

    PaintWidget* GetPaintWidget() const;
    int RowCount() const { return int(rows.size()); }
    // The widgets of the row of an overlay; null when it has no row.
    QCheckBox* CheckBoxOf(const BaseOverlay* overlay) const;
    QLabel* LabelOf(const BaseOverlay* overlay) const;

public slots:
    void onPushBackOverlay(BaseOverlay* overlay);
    void onRemoveOverlay(BaseOverlay* overlay);

private:
    struct Row {
        const BaseOverlay* overlay; // only compared, never followed: the overlay may be gone
        QWidget* widget;
        QCheckBox* checkBox;
        QLabel* label;
    };

    const Row* Find(const BaseOverlay* overlay) const;

    QPointer<PaintWidget> paintWidget;
    QVBoxLayout* layout;
    std::vector<Row> rows;
};
