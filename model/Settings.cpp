#include "model/Settings.h"

#include "model/IniFile.h"
#include "model/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>
#include <functional>

namespace {

const QString ActiveContoursSection = QStringLiteral("Active contours");
const QString SurfaceAlignmentSection = QStringLiteral("Surface alignment");
const QString ColorsSection = QStringLiteral("Colors");
const QString MainSection = QStringLiteral("Lumivox");
// The text the profile functions hand back for a key that is not there.
const QString Missing = QStringLiteral("defval");

Settings::AllValues values;
QString filePath;

// Reading: each helper leaves the value alone (its default) when the key is missing, reads back as
// "defval" or does not parse completely.
class Reader {
public:
    Reader(const IniFile& ini, const QString& section) : ini(ini), section(section) { }

    void Float(const QString& key, float& value) const
    {
        bool ok = false;
        const float v = Text(key).toFloat(&ok);
        if (ok && std::isfinite(v))
            value = v;
    }
    void Unsigned(const QString& key, unsigned& value) const
    {
        bool ok = false;
        const unsigned v = Text(key).toUInt(&ok);
        if (ok)
            value = v;
    }
    void Int(const QString& key, int& value) const
    {
        bool ok = false;
        const int v = Text(key).toInt(&ok);
        if (ok)
            value = v;
    }
    void Bool(const QString& key, bool& value) const
    {
        bool ok = false;
        const int v = Text(key).toInt(&ok);
        if (ok)
            value = v != 0;
    }
    void String(const QString& key, QString& value) const
    {
        const QString v = ini.Value(section, key, Missing);
        if (v != Missing)
            value = v;
    }
    void Color(const QString& key, QColor& value) const
    {
        const QColor v(Text(key));
        if (v.isValid())
            value = v;
    }

private:
    QString Text(const QString& key) const
    {
        const QString v = ini.Value(section, key, Missing);
        return v == Missing ? QString() : v;
    }

    const IniFile& ini;
    QString section;
};

QString FloatText(float value)
{
    return QString::asprintf("%f", double(value));
}

QString IntText(int value)
{
    return QString::asprintf("%d", value);
}

QString UnsignedText(unsigned value)
{
    return QString::asprintf("%u", value);
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString ColorText(const QColor& value)
{
    return value.name();
}

// Writes one group: reads the file as it is now (so that whatever else it holds is kept), sets
// the group's keys and replaces the file. Without a settings file (none loaded) nothing is written.
void Write(const QString& section, const std::function<void(IniFile&, const QString&)>& setKeys)
{
    if (filePath.isEmpty())
        return;
    IniFile ini;
    if (!ini.Load(filePath)) {
        Log::Warning(QStringLiteral("Settings not saved. ") + ini.GetError());
        return;
    }
    setKeys(ini, section);
    if (!ini.Save(filePath))
        Log::Warning(QStringLiteral("Settings not saved. ") + ini.GetError());
}

} // namespace

void Settings::Load(const QString& path)
{
    filePath = path;
    values = AllValues();
    IniFile ini;
    if (!ini.Load(path)) {
        Log::Warning(QStringLiteral("Settings not read, using the defaults. ") + ini.GetError());
        return;
    }

    ActiveContours& ac = values.activeContours;
    const Reader a(ini, ActiveContoursSection);
    a.Float("alpha", ac.alpha);
    a.Float("beta", ac.beta);
    a.Float("gamma", ac.gamma);
    a.Float("delta", ac.delta);
    a.Float("distance", ac.distance);
    a.Unsigned("depth", ac.depth);
    a.Unsigned("disp", ac.disp);
    a.Unsigned("maxIter", ac.maxIter);
    a.Unsigned("maxSlices", ac.maxSlices);
    a.Bool("isReversedirection", ac.isReversedirection);
    a.Unsigned("thrMin", ac.thrMin);
    a.Unsigned("thrMax", ac.thrMax);
    a.Int("shrinkage", ac.shrinkage);
    a.Int("background", ac.background);
    a.Bool("isUseACS", ac.isUseACS);
    a.String("kalmanFilterModel", ac.kalmanFilterModel);
    a.Float("modelError", ac.modelError);
    a.Float("observError", ac.observError);
    a.Float("stepSize", ac.stepSize);
    a.Unsigned("topOffset", ac.topOffset);
    a.Unsigned("bottomOffset", ac.bottomOffset);
    a.Unsigned("leftOffset", ac.leftOffset);
    a.Unsigned("rightOffset", ac.rightOffset);
    a.Unsigned("size", ac.size);

    SurfaceAlignment& sa = values.surfaceAlignment;
    const Reader s(ini, SurfaceAlignmentSection);
    s.Int("maxIter", sa.maxIter);
    s.Bool("allowScaling", sa.allowScaling);
    s.Float("scalingFactor", sa.scalingFactor);
    s.Bool("preliminary", sa.preliminary);

    Colors& c = values.colors;
    const Reader col(ini, ColorsSection);
    col.Color("OGLBackColor1", c.OGLBackColor1);
    col.Color("OGLBackColor2", c.OGLBackColor2);
    col.Color("overlayDefaultColor", c.overlayDefaultColor);
    col.Color("overlaySelectedColor", c.overlaySelectedColor);
    col.Color("overlayHoverColor", c.overlayHoverColor);

    Main& m = values.main;
    const Reader w(ini, MainSection);
    w.String("currentDir", m.currentDir);
    w.Bool("isFullscreen", m.isFullscreen);
    w.Int("xSize", m.xSize);
    w.Int("ySize", m.ySize);
}

const QString& Settings::FilePath()
{
    return filePath;
}

Settings::AllValues& Settings::Values()
{
    return values;
}

QString Settings::DefaultFilePath()
{
    const QString fileName = QStringLiteral("lumivox.ini");
    const QString appDir = QCoreApplication::applicationDirPath();
    const QFileInfo beside(QDir(appDir).filePath(fileName));
    if (beside.exists() ? beside.isWritable() : QFileInfo(appDir).isWritable())
        return beside.filePath();
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(configDir);
    return QDir(configDir).filePath(fileName);
}

void Settings::WriteContourWeights()
{
    const ActiveContours& ac = values.activeContours;
    Write(ActiveContoursSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "alpha", FloatText(ac.alpha));
        ini.SetValue(section, "beta", FloatText(ac.beta));
        ini.SetValue(section, "gamma", FloatText(ac.gamma));
        ini.SetValue(section, "delta", FloatText(ac.delta));
    });
}

void Settings::WriteDistance()
{
    const ActiveContours& ac = values.activeContours;
    Write(ActiveContoursSection,
        [&](IniFile& ini, const QString& section) { ini.SetValue(section, "distance", FloatText(ac.distance)); });
}

void Settings::WriteSize()
{
    const ActiveContours& ac = values.activeContours;
    Write(ActiveContoursSection,
        [&](IniFile& ini, const QString& section) { ini.SetValue(section, "size", UnsignedText(ac.size)); });
}

void Settings::WriteContourParameters()
{
    const ActiveContours& ac = values.activeContours;
    Write(ActiveContoursSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "distance", FloatText(ac.distance));
        ini.SetValue(section, "depth", UnsignedText(ac.depth));
        ini.SetValue(section, "disp", UnsignedText(ac.disp));
        ini.SetValue(section, "maxIter", UnsignedText(ac.maxIter));
        ini.SetValue(section, "maxSlices", UnsignedText(ac.maxSlices));
        ini.SetValue(section, "isReversedirection", BoolText(ac.isReversedirection));
        ini.SetValue(section, "thrMin", UnsignedText(ac.thrMin));
        ini.SetValue(section, "thrMax", UnsignedText(ac.thrMax));
        ini.SetValue(section, "shrinkage", IntText(ac.shrinkage));
        ini.SetValue(section, "background", IntText(ac.background));
    });
}

void Settings::WriteSurfaceAlignment()
{
    const SurfaceAlignment& sa = values.surfaceAlignment;
    Write(SurfaceAlignmentSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "maxIter", IntText(sa.maxIter));
        ini.SetValue(section, "allowScaling", BoolText(sa.allowScaling));
        ini.SetValue(section, "scalingFactor", FloatText(sa.scalingFactor));
        ini.SetValue(section, "preliminary", BoolText(sa.preliminary));
    });
}

void Settings::WriteCurrentDir()
{
    const Main& m = values.main;
    Write(
        MainSection, [&](IniFile& ini, const QString& section) { ini.SetValue(section, "currentDir", m.currentDir); });
}

void Settings::RememberDirOf(const QString& filePath)
{
    const QFileInfo folder(QFileInfo(filePath).absolutePath());
    if (filePath.isEmpty() || !folder.isDir())
        return;
    values.main.currentDir = folder.absoluteFilePath();
    WriteCurrentDir();
}

void Settings::WriteWindowState()
{
    const Main& m = values.main;
    Write(MainSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "currentDir", m.currentDir);
        ini.SetValue(section, "isFullscreen", BoolText(m.isFullscreen));
        ini.SetValue(section, "xSize", IntText(m.xSize));
        ini.SetValue(section, "ySize", IntText(m.ySize));
    });
}

void Settings::WriteOGLColors()
{
    const Colors& c = values.colors;
    Write(ColorsSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "OGLBackColor1", ColorText(c.OGLBackColor1));
        ini.SetValue(section, "OGLBackColor2", ColorText(c.OGLBackColor2));
    });
}

void Settings::WriteOverlayColors()
{
    const Colors& c = values.colors;
    Write(ColorsSection, [&](IniFile& ini, const QString& section) {
        ini.SetValue(section, "overlayDefaultColor", ColorText(c.overlayDefaultColor));
        ini.SetValue(section, "overlaySelectedColor", ColorText(c.overlaySelectedColor));
        ini.SetValue(section, "overlayHoverColor", ColorText(c.overlayHoverColor));
    });
}
