#include "Colormap.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTableSize = 1024;
constexpr qint64 kMaxFileBytes = qint64(1) << 20;

// Linear interpolation of two colours channel by channel, rounded to the nearest level.
QRgb Mix(const QColor& a, const QColor& b, double t)
{
    auto channel = [t](int u, int v) { return int(std::lround(u + (v - u) * t)); };
    return qRgba(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()),
        channel(a.alpha(), b.alpha()));
}

// The colour at fraction t of the stops (positions not decreasing, at least one stop).
QRgb ColorAt(const std::vector<Colormap::Stop>& stops, double t)
{
    const auto upper = std::upper_bound(
        stops.begin(), stops.end(), t, [](double value, const Colormap::Stop& s) { return value < s.position; });
    if (upper == stops.begin())
        return stops.front().color.rgba();
    if (upper == stops.end())
        return stops.back().color.rgba();
    const Colormap::Stop& a = *(upper - 1);
    const Colormap::Stop& b = *upper;
    return Mix(a.color, b.color, (t - a.position) / (b.position - a.position));
}

bool ParseChannel(const QString& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok && value >= 0 && value <= 255;
}

} // namespace

Colormap::Colormap() : stops{{0.0, QColor(0, 0, 0)}, {1.0, QColor(255, 255, 255)}}
{
    BuildTable();
}

Colormap::Colormap(const QString& path)
{
    Load(path);
}

void Colormap::SetRange(double lo, double hi)
{
    min = lo;
    max = hi;
}

QColor Colormap::GetColor(double value) const
{
    if (stops.empty())
        return QColor(0, 0, 0);
    if (!(max > min) || std::isnan(value))
        return stops.front().color;
    const double t = std::clamp((value - min) / (max - min), 0.0, 1.0);
    return QColor::fromRgba(ColorAt(stops, t));
}

unsigned int Colormap::GetRgba(double value) const
{
    if (table.empty())
        return 0xff000000u;
    if (!(max > min) || std::isnan(value))
        return table.front();
    const double t = std::clamp((value - min) / (max - min), 0.0, 1.0);
    return table[size_t(std::lround(t * (kTableSize - 1)))];
}

void Colormap::BuildTable()
{
    table.clear();
    if (stops.empty())
        return;
    table.resize(kTableSize);
    for (int i = 0; i < kTableSize; ++i)
        table[size_t(i)] = ColorAt(stops, double(i) / (kTableSize - 1));
}

bool Colormap::Load(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QString("Cannot open the colour map \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        error = QString("The colour map \"%1\" is too large (more than 1 MiB).").arg(name);
        return false;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xfeff))) // byte order mark
        text.remove(0, 1);
    const QStringList lines = text.split('\n');
    static const QRegularExpression whitespace("\\s+");

    std::vector<Stop> loaded;
    bool haveHeader = false;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const int hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QString where = QString("Colour map \"%1\", line %2").arg(name).arg(i + 1);
        const QStringList fields = line.split(whitespace, Qt::SkipEmptyParts);
        if (!haveHeader) {
            if (fields != QStringList{"LVXCMAP", "1"}) {
                error = QString("\"%1\" is not a colour map: it must begin with \"LVXCMAP 1\".").arg(name);
                return false;
            }
            haveHeader = true;
            continue;
        }
        if (fields.size() != 4 && fields.size() != 5) {
            error = QString("%1: expected position, red, green, blue and optionally alpha, found %2 values.")
                        .arg(where)
                        .arg(fields.size());
            return false;
        }
        bool ok = false;
        const double position = fields[0].toDouble(&ok);
        if (!ok || !std::isfinite(position)) {
            error = QString("%1: the position \"%2\" is not a number.").arg(where, fields[0]);
            return false;
        }
        if (position < 0.0 || position > 1.0) {
            error = QString("%1: the position %2 lies outside 0 to 1.").arg(where, fields[0]);
            return false;
        }
        if (!loaded.empty() && position < loaded.back().position) {
            error = QString("%1: the position %2 is smaller than the one before.").arg(where, fields[0]);
            return false;
        }
        int channels[4] = {0, 0, 0, 255};
        for (int c = 1; c < fields.size(); ++c)
            if (!ParseChannel(fields[c], channels[c - 1])) {
                error
                    = QString("%1: the colour value \"%2\" is not a whole number from 0 to 255.").arg(where, fields[c]);
                return false;
            }
        loaded.push_back({position, QColor(channels[0], channels[1], channels[2], channels[3])});
    }
    if (!haveHeader) {
        error = QString("\"%1\" is not a colour map: it must begin with \"LVXCMAP 1\".").arg(name);
        return false;
    }
    if (loaded.size() < 2) {
        error
            = QString("The colour map \"%1\" has %2 colour entries; it needs at least 2.").arg(name).arg(loaded.size());
        return false;
    }
    stops = std::move(loaded);
    error.clear();
    BuildTable();
    return true;
}

bool Colormap::Save(const QString& path) const
{
    if (stops.empty()) {
        error = "The colour map has no colours to save.";
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QString("Cannot write the colour map \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    QString text = "LVXCMAP 1\n# position red green blue [alpha]\n";
    for (const Stop& s : stops) {
        text += QString("%1 %2 %3 %4")
                    .arg(QString::number(s.position, 'g', QLocale::FloatingPointShortest))
                    .arg(s.color.red())
                    .arg(s.color.green())
                    .arg(s.color.blue());
        if (s.color.alpha() != 255)
            text += QString(" %1").arg(s.color.alpha());
        text += '\n';
    }
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = QString("Cannot write the colour map \"%1\": %2.").arg(path, file.errorString());
        return false;
    }
    error.clear();
    return true;
}
