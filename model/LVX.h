#pragma once

#include <cstdint>

// The program's enumerations.
namespace LVX {

// Type codes of project objects, stored in every object.
enum ObjectType : int32_t {
    NoType = 0,
    ImageStackType = 1,
    VariableImageStackType = 2,
    SurfaceType = 3,
    SimpleSurfaceType = 4,
    SSMType = 5,
    StatShapeType = 6,
    ViewType = 7,
    SliceViewType = 8, // also the matrix view
    TomogramViewType = 9,
    DerivativeViewType = 10,
    OGLViewType = 11,
    MatrixViewNameType = 12, // carried by no object; numbers the names of matrix views
    AttachmentType = 13,
    SnakeSequenceType = 14,
    TransformSequenceType = 15,
    SelectionType = 16,
    RectangleType = 17,
    SplineType = 18,
    LineType = 19,
    MatrixWrapType = 20,
};

// Context-menu actions of object buttons.
enum MenuAction : int32_t {
    Link3DView = 1,
    SetFourthPanel = 2,
    SetSource = 3,
    AddSurface = 4,
    NewSliceView = 5,
    NewDerivativeView = 6,
    NewTomogramView = 7,
    Save = 8,
    SaveAs = 9,
    ToSimpleSurface = 10,
    SelectAll = 11,
    SelectFromAttachments = 12,
    SelectionGrow = 13,
    SelectionShrink = 14,
    SelectionInvert = 15,
    SelectionSkeletonize = 16,
    SelectionClear = 17,
    MeasureArea = 18,
    MeasureVolume = 19,
    Histogram = 20,
    Scale = 21,
    FromSpline = 22,
    CreateImageStack = 23,
    Screenshot = 24,
    FlipX = 25,
    FlipY = 26,
    FlipZ = 27,
    SetASMSearchStack = 28,
    Duplicate = 29,
    Remove = 30,
};

// The plane of a slice: XY shows (x, y), XZ shows (x, z), ZY shows (z, y).
enum Orientation : int32_t { XY = 0, XZ = 1, ZY = 2 };

// Relation types between object buttons.
enum RelationType : uint32_t {
    Relation3DView = 1,      // shown object -> 3-D view
    RelationSource = 2,      // view or transform sequence -> stack
    RelationSurface = 3,     // shape-model builder -> surface
    RelationSearchStack = 4, // shape model -> stack
    RelationFourthPanel = 5, // tomogram view -> view in its fourth pane
    RelationBuiltModel = 6,  // shape-model builder -> built model
    RelationMatrix = 7,      // matrix view -> matrix
};

} // namespace LVX
