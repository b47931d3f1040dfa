// Draws the icons of the program (res/img) with QPainter: the delete cross, the Greek letters of
// the active-contour energies and the four drawing tools. Run as
//   lumivox-icons <output folder> [--own-ico]
// "--own-ico" writes delete.ico with our own ICO container even when Qt's ICO plugin exists.

#include "Data.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor Ink(32, 32, 48);
const QColor ToolBlue(20, 70, 170);

QImage Canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

void Prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
}

QPen StrokePen(const QColor& color, double width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A small square node marker, as the tools draw their handles.
void Handle(QPainter& painter, QPointF centre, double size)
{
    painter.setPen(QPen(Ink, 1.2));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(centre.x() - size / 2, centre.y() - size / 2, size, size));
}

QImage DeleteIcon()
{
    QImage image = Canvas(32);
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath cross;
    cross.moveTo(8, 8);
    cross.lineTo(24, 24);
    cross.moveTo(24, 8);
    cross.lineTo(8, 24);
    painter.strokePath(cross, StrokePen(QColor(120, 0, 0), 8.0));
    painter.strokePath(cross, StrokePen(QColor(220, 30, 30), 5.0));
    return image;
}

// The Greek letters are drawn as strokes on a 24 x 24 grid.
QImage Letter(const std::function<void(QPainterPath&)>& draw)
{
    QImage image = Canvas(24);
    QPainter painter(&image);
    Prepare(painter);
    QPainterPath path;
    draw(path);
    painter.strokePath(path, StrokePen(Ink, 2.2));
    return image;
}

QImage Alpha()
{
    return Letter([](QPainterPath& p) {
        // From the upper right down to the bowl, round it on the left and out to the lower right.
        p.moveTo(19.5, 6.5);
        p.cubicTo(17.5, 12, 15, 18, 10.5, 18);
        p.cubicTo(6.5, 18, 4, 15.5, 4, 12);
        p.cubicTo(4, 8.5, 6.5, 6, 10, 6);
        p.cubicTo(15, 6, 16.5, 14, 20, 18.5);
    });
}

QImage Beta()
{
    return Letter([](QPainterPath& p) {
        p.moveTo(7, 22.5);
        p.lineTo(7, 8);
        p.cubicTo(7, 4.5, 9.5, 2.5, 12, 2.5);
        p.cubicTo(14.8, 2.5, 16.5, 4.5, 16.5, 6.8);
        p.cubicTo(16.5, 9.5, 14, 11, 11, 11);
        p.cubicTo(15.5, 11, 18.5, 13, 18.5, 16);
        p.cubicTo(18.5, 19, 15.5, 20.5, 12.5, 20.5);
        p.cubicTo(9.8, 20.5, 7.8, 19.2, 7, 17.5);
    });
}

QImage Gamma()
{
    return Letter([](QPainterPath& p) {
        p.moveTo(3.5, 8.5);
        p.cubicTo(6.5, 5.5, 9, 8, 12, 16.5);
        p.moveTo(20, 6.5);
        p.cubicTo(16, 11, 13.5, 14.5, 12, 17);
        p.cubicTo(9, 21, 9.5, 23.2, 12, 23.2);
        p.cubicTo(14.5, 23.2, 15, 21, 12, 17);
    });
}

QImage Delta()
{
    return Letter([](QPainterPath& p) {
        p.addEllipse(QPointF(12, 15.5), 6, 5.5);
        p.moveTo(15.8, 11.2);
        p.cubicTo(9, 8.5, 8, 5, 10.5, 3.5);
        p.cubicTo(12.5, 2.3, 15.5, 2.8, 17, 4.5);
    });
}

QImage Cursor()
{
    QImage image = Canvas(32);
    QPainter painter(&image);
    Prepare(painter);
    const std::vector<QPointF> points{{9, 3}, {9, 25}, {14, 20.5}, {18, 29}, {21.5, 27.5}, {17.5, 19}, {24, 19}};
    QPolygonF arrow;
    for (const QPointF& point : points)
        arrow << point;
    painter.setPen(StrokePen(Ink, 1.6));
    painter.setBrush(Qt::white);
    painter.drawPolygon(arrow);
    return image;
}

QImage Line()
{
    QImage image = Canvas(32);
    QPainter painter(&image);
    Prepare(painter);
    const QPointF a(6, 26), b(26, 6);
    painter.setPen(StrokePen(ToolBlue, 2.5));
    painter.drawLine(a, b);
    Handle(painter, a, 6);
    Handle(painter, b, 6);
    return image;
}

QImage Rectangle()
{
    QImage image = Canvas(32);
    QPainter painter(&image);
    Prepare(painter);
    const QRectF rect(6, 8, 20, 16);
    painter.setPen(StrokePen(ToolBlue, 2.5));
    painter.setBrush(QColor(20, 70, 170, 40));
    painter.drawRect(rect);
    for (const QPointF& corner : {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()})
        Handle(painter, corner, 5);
    return image;
}

QImage Spline()
{
    QImage image = Canvas(32);
    QPainter painter(&image);
    Prepare(painter);
    const std::vector<QPointF> nodes{{4, 24}, {12, 10}, {20, 22}, {28, 8}};
    // A Catmull-Rom curve through the nodes, drawn as cubic Bezier pieces.
    QPainterPath path(nodes.front());
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
        const QPointF p0 = nodes[i == 0 ? 0 : i - 1];
        const QPointF p1 = nodes[i];
        const QPointF p2 = nodes[i + 1];
        const QPointF p3 = nodes[i + 2 < nodes.size() ? i + 2 : i + 1];
        path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
    }
    painter.strokePath(path, StrokePen(ToolBlue, 2.5));
    painter.setPen(QPen(Ink, 1.2));
    painter.setBrush(Qt::white);
    for (const QPointF& node : nodes)
        painter.drawEllipse(node, 2.5, 2.5);
    return image;
}

QByteArray PngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An ICO file with one PNG-compressed image: the 6-byte header, one 16-byte directory entry and
// the PNG data. Numbers are little-endian.
QByteArray IcoBytes(const QImage& image)
{
    const QByteArray png = PngBytes(image);
    QByteArray bytes(22, '\0');
    auto* p = reinterpret_cast<unsigned char*>(bytes.data());
    Data::ToBytes(p + 0, uint16_t(0)); // reserved
    Data::ToBytes(p + 2, uint16_t(1)); // type: icon
    Data::ToBytes(p + 4, uint16_t(1)); // one image
    p[6] = static_cast<unsigned char>(image.width() >= 256 ? 0 : image.width());
    p[7] = static_cast<unsigned char>(image.height() >= 256 ? 0 : image.height());
    p[8] = 0;                            // no palette
    p[9] = 0;                            // reserved
    Data::ToBytes(p + 10, uint16_t(1));  // colour planes
    Data::ToBytes(p + 12, uint16_t(32)); // bits per pixel
    Data::ToBytes(p + 14, uint32_t(png.size()));
    Data::ToBytes(p + 18, uint32_t(22)); // the image follows the directory
    return bytes + png;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool WriteIco(const QString& path, const QImage& image, bool own)
{
    if (!own && QImageWriter::supportedImageFormats().contains("ico")) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "ico");
        if (writer.write(image))
            return WriteFile(path, bytes);
    }
    return WriteFile(path, IcoBytes(image));
}

} // namespace

int main(int argc, char* argv[])
{
    // Painting paths into images needs no window system (no text is drawn).
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args.at(2) != "--own-ico")) {
        std::fprintf(stderr, "Usage: lumivox-icons <output folder> [--own-ico]\n");
        return 2;
    }
    const QDir dir(args.at(1));
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "Cannot create the folder %s\n", qPrintable(dir.path()));
        return 1;
    }
    const bool ownIco = args.size() == 3;

    struct Png {
        const char* name;
        QImage (*draw)();
    };
    const Png pngs[] = {{"alpha.png", Alpha}, {"beta.png", Beta}, {"gamma.png", Gamma}, {"delta.png", Delta},
        {"cursor.png", Cursor}, {"line.png", Line}, {"rectangle.png", Rectangle}, {"spline.png", Spline}};
    int failures = 0;
    for (const Png& png : pngs) {
        const QString path = dir.filePath(png.name);
        if (!WriteFile(path, PngBytes(png.draw()))) {
            std::fprintf(stderr, "Cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    const QString icoPath = dir.filePath("delete.ico");
    if (!WriteIco(icoPath, DeleteIcon(), ownIco)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(icoPath));
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
