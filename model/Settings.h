#pragma once

#include <QColor>
#include <QString>

// The program's settings, read once at start from "lumivox.ini" and written back group by group
// when a value changes. The values are process-wide: every part reads Settings::Values() directly.
namespace Settings {

struct ActiveContours {
    float alpha = 0.0f;
    float beta = 0.0f;
    float gamma = 0.0f;
    float delta = 0.0f;
    float distance = 0.0f;
    unsigned depth = 7;
    unsigned disp = 3;
    unsigned maxIter = 20;
    unsigned maxSlices = 10;
    bool isReversedirection = false;
    unsigned thrMin = 0;
    unsigned thrMax = 65535;
    int shrinkage = 0;
    int background = 0;
    bool isUseACS = false;
    QString kalmanFilterModel = "Inertial";
    float modelError = 1000.0f;
    float observError = 4.0f;
    float stepSize = 2.0f;
    unsigned topOffset = 50;
    unsigned bottomOffset = 50;
    unsigned leftOffset = 50;
    unsigned rightOffset = 50;
    unsigned size = 30;
};

struct SurfaceAlignment {
    int maxIter = 40;
    bool allowScaling = true;
    float scalingFactor = 0.1f;
    bool preliminary = true;
};

struct Colors {
    QColor OGLBackColor1 = QColor(0, 0, 0);
    QColor OGLBackColor2 = QColor(0, 0, 0);
    QColor overlayDefaultColor = QColor(0, 0, 192);
    QColor overlaySelectedColor = QColor(192, 192, 0);
    QColor overlayHoverColor = QColor(0, 192, 0);
};

struct Main {
    QString currentDir;
    bool isFullscreen = true;
    int xSize = 800;
    int ySize = 600;
};

struct AllValues {
    ActiveContours activeContours;
    SurfaceAlignment surfaceAlignment;
    Colors colors;
    Main main;
};

// Reads every value from the file (defaults for what is missing or unreadable) and makes that
// file the one the write operations below update. Replaces the previous values.
void Load(const QString& path);
const QString& FilePath();
AllValues& Values();
// "lumivox.ini" beside the executable, or in the user's configuration folder when the executable's
// folder is not writable.
QString DefaultFilePath();

// Each writes the current values of its group to the file (sections and keys as stored there;
// other content of the file is kept).
void WriteContourWeights(); // alpha, beta, gamma, delta
void WriteDistance();
void WriteSize();
void WriteContourParameters(); // distance, depth, disp, maxIter, maxSlices, isReversedirection, thrMin, thrMax,
                               // shrinkage, background
void WriteSurfaceAlignment();  // maxIter, allowScaling, scalingFactor, preliminary
void WriteCurrentDir();
// Makes the folder of `filePath` the remembered one ("currentDir") and writes it, when that
// folder exists; a path into a folder that does not exist changes nothing.
void RememberDirOf(const QString& filePath);
void WriteWindowState();   // currentDir, isFullscreen, xSize, ySize
void WriteOGLColors();     // OGLBackColor1, OGLBackColor2
void WriteOverlayColors(); // overlayDefaultColor, overlaySelectedColor, overlayHoverColor

} // namespace Settings
