#pragma once

#include "app/Attachment.h"
#include "contours/NodePlacement.h"
#include "contours/NodePointer.h"

#include "Point3D.h"
#include "Snake.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class VariableImageStack;

// One closed active contour per slice over a contiguous run of slices of its stack, all in one
// plane. Contour i lies on slice firstSlice + i. Node coordinates are (column, row) of that
// plane's images: (x, y) for XY, (x, z) for XZ, (z, y) for ZY.
class SnakeSequence : public Attachment {
    Q_OBJECT
public:
    using NodeCache = std::deque<std::unique_ptr<Point3D>>; // one contour's nodes in the volume
    using NodeList = std::deque<NodePointer>;
    // The panels of a sequence come from the contour user interface, which installs the maker
    // at start-up (data classes build no widgets). Without a maker a sequence has no panels.
    using ControlsMaker = std::function<std::vector<Control*>(SnakeSequence* sequence)>;
    static void SetControlsMaker(ControlsMaker maker);

    // Reads an active contour record; on failure GetError() says why and there are no contours.
    SnakeSequence(const QString& path, const QString& name);
    // A new empty sequence whose first contour will lie on `firstSlice`.
    SnakeSequence(const QString& name, uint32_t firstSlice, LVX::Orientation orientation);
    SnakeSequence(const SnakeSequence& other); // deep copy of the contours; node caches rebuilt
    ~SnakeSequence() override;

    LVXObject* Clone() const override;
    FileTypes GetFileTypes() const override; // ".acr" then ".stl"
    // Smallest and largest (x, y) over all contours, z from firstSlice to firstSlice + count; the
    // box starts at all zeros.
    std::pair<Point3D, Point3D> GetBoundingBox() const override;
    std::vector<Control*> GetControls() override;
    bool Save() override;                                                // writes the record file
    bool SaveTo(const QString& path, const QString& extension) override; // ".acr" saves, ".stl" exports
    bool WriteXml(QXmlStreamWriter& xml) override;                       // "snake_sequence" with "src"
    void OnAttached(LVXObjectWidget* stackWidget) override;              // rebuilds the node caches
    void OnDetached(LVXObjectWidget* stackWidget) override;              // rebuilds the node caches
    void SetFlag(bool flag) override { checked = flag; }

    bool IsRasterisable() const override { return true; }
    bool IsOrientation(LVX::Orientation o) const override { return o == orientation; }
    // The filled contour of `slice` (empty when there is none or it has 2 nodes or fewer).
    SliceMask GetMask(int width, int height, uint32_t slice) const override;
    // One mask per contour, in order; the lists give each absolute slice's width and height.
    std::vector<SliceMask> GetMasks(const std::vector<uint32_t>& widths, const std::vector<uint32_t>& heights) const;

    uint32_t GetFirstSlice() const { return firstSlice; }
    uint32_t GetCount() const { return uint32_t(snakes.size()); }
    bool IsEmpty() const { return snakes.empty(); }
    LVX::Orientation GetOrientation() const { return orientation; }
    bool IsChecked() const { return checked; }

    Snake* GetSnake(uint32_t slice) const; // null outside the run
    // The contour of `slice`; one slice beyond either end a shrunk copy of the end contour is
    // added first. Null for any other slice.
    Snake* GetOrCreateSnake(uint32_t slice);
    void PushBack(std::unique_ptr<Snake> snake);
    void DeleteFirst();
    void DeleteLast();
    void Clear();

    // The nodes of the contour on `slice` (button set), or null when there is none.
    std::unique_ptr<NodeList> GetNodesAtSlice(uint32_t slice);
    // Every node of every contour whose column (row) is within 0.5 of x (y), button null.
    std::unique_ptr<NodeList> GetNodesAtX(float x);
    std::unique_ptr<NodeList> GetNodesAtY(float y);

    // Rebuilds every contour's nodes in volume coordinates (through the stack's transform
    // sequence when it has one).
    void UpdatePoints3D();
    const NodeCache* GetPoints3D(uint32_t index) const; // null while not computed
    // The stack this sequence is docked to, or null.
    VariableImageStack* GetStack() const;
    // Which of several transform sequences related to the stack places the nodes: the node
    // caches take the last one found, the mesh (STL export, surfaces) the first one.
    enum class TransformChoice { LastRelated, FirstRelated };
    // How nodes land in the volume: through the matrices of the stack's transform sequence,
    // plain (x, y, slice) without one.
    NodePlacement GetPlacement(TransformChoice choice = TransformChoice::LastRelated) const;

signals:
    void processStepRequested();
    void processSliceRequested();
    void processStackRequested();
    void deleteFirstRequested();
    void deleteLastRequested();
    void deleteSelectedRequested();

public slots:
    void onProcessStep() { emit processStepRequested(); }
    void onProcessSlice() { emit processSliceRequested(); }
    void onProcessStack() { emit processStackRequested(); }
    void onDeleteFirst() { emit deleteFirstRequested(); }
    void onDeleteLast() { emit deleteLastRequested(); }
    void onDeleteSelected() { emit deleteSelectedRequested(); }
    void onToggled(bool isChecked) { checked = isChecked; }

private:
    std::deque<std::unique_ptr<Snake>> snakes;
    std::deque<std::unique_ptr<NodeCache>> points3D; // parallel to snakes
    uint32_t firstSlice = 0;
    LVX::Orientation orientation = LVX::XY;
    bool checked = false;
};
