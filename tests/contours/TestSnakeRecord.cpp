#include "TestRegistry.h"

#include "contours/SnakeRecord.h"

#include "Data.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

// Builds record bytes piece by piece, numbers little-endian as the data library writes them.
class Bytes {
public:
    Bytes& Text(const char* text)
    {
        data.append(text);
        return *this;
    }
    template <class T> Bytes& Put(T v)
    {
        unsigned char b[sizeof(T)];
        Data::ToBytes(b, v);
        data.append(reinterpret_cast<const char*>(b), int(sizeof(T)));
        return *this;
    }
    Bytes& U16(uint16_t v) { return Put(v); }
    Bytes& U32(uint32_t v) { return Put(v); }
    Bytes& F32(float v) { return Put(v); }
    Bytes& F32(float x, float y) { return F32(x).F32(y); }
    Bytes& Crlf() { return Text("\r\n"); }
    QByteArray data;
};

// Header of a version 5 record; the body follows.
Bytes V5(uint32_t count)
{
    return Bytes().Text("Active contour record 1.0.0.0005").U32(count);
}

// A version 4 or 3 record of two contours: slice 7 with 3 nodes, slice 8 with 1 node.
Bytes Old(const char* version)
{
    Bytes b;
    b.Text("Active contour record ").Text(version).Crlf().U16(2).Crlf();
    b.U16(7).U16(3).F32(1.5f).F32(2.5f).F32(-3.25f).F32(4.0f).F32(1e-7f).F32(65535.0f).Crlf();
    b.U16(8).U16(1).F32(0.0f).F32(-0.125f).Crlf();
    b.Text("snen");
    if (std::strcmp(version, "1.0.0.0003") == 0)
        b.Text("xyzeof");
    return b;
}

bool Parse(const QByteArray& bytes, SnakeRecord::Contents* contents, QString* error)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return SnakeRecord::Parse(buffer, "rec.acr", contents, error);
}

QString Describe(const SnakeRecord::Contents& contents)
{
    QStringList parts{QString::number(contents.firstSlice)};
    for (const auto& contour : contents.contours) {
        QStringList nodes;
        for (const Point& p : contour.nodes)
            nodes << QString::number(double(p.x)) + "," + QString::number(double(p.y));
        parts << QString::number(contour.slice) + ":" + nodes.join(" ");
    }
    return parts.join(" | ");
}

} // namespace

class TestSnakeRecord : public QObject {
    Q_OBJECT

private slots:
    void readsRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString two = "7 | 7:1.5,2.5 -3.25,4 1e-07,65535 | 8:0,-0.125";
        QTest::newRow("version 4") << Old("1.0.0.0004").data << two;
        QTest::newRow("version 3") << Old("1.0.0.0003").data << two;
        QByteArray tab = Old("1.0.0.0004").data;
        tab[21] = '\t';
        QTest::newRow("byte 21 any") << tab << two;
        QByteArray zero = V5(1).U32(4).U32(1).F32(9.0f).F32(8.0f).data;
        zero[21] = '\0';
        QTest::newRow("version 5, byte 21 zero") << zero << "4 | 4:9,8";
        QTest::newRow("zero contours") << V5(0).data << "4294967295";
        QTest::newRow("low 16 bits of the node count")
            << V5(1).U32(2).U32(0x10001).F32(1.0f).F32(2.0f).data << "2 | 2:1,2";
        QTest::newRow("trailing bytes ignored") << V5(1).U32(2).U32(0).Text("more").data << "2 | 2:";
        QTest::newRow("descending slices sorted")
            << V5(3).U32(12).U32(1).F32(3, 3).U32(11).U32(0).U32(10).U32(1).F32(1, 1).data
            << "10 | 10:1,1 | 11: | 12:3,3";
    }
    void readsRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        SnakeRecord::Contents contents;
        QString error = "unset";
        QVERIFY(Parse(bytes, &contents, &error));
        QCOMPARE(error, QString());
        QCOMPARE(Describe(contents), expected);
    }

    void readErrors_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString end = "Unexpected end of section";
        QByteArray v4 = Old("1.0.0.0004").data;
        QByteArray v3 = Old("1.0.0.0003").data;

        QTest::newRow("not a record") << QByteArray("Active contour recorD 1.0.0.0005")
                                      << "Could not open file rec.acr";
        QTest::newRow("empty") << QByteArray() << "Could not open file rec.acr";
        QTest::newRow("version 6") << V5(0).data.replace("0005", "0006") << "Bad version: 1.0.0.0006";
        QTest::newRow("version 2") << V5(0).data.replace("0005", "0002") << "Bad version: 1.0.0.0002";
        QTest::newRow("line end after header")
            << QByteArray(v4).replace(32, 2, "ab") << "Expected end of line, but received ab";
        QTest::newRow("line end after count")
            << QByteArray(v4).replace(36, 2, "\n\r") << "Expected end of line, but received \n\r";
        QTest::newRow("line end after contour")
            << QByteArray(v4).replace(66, 2, "xy") << "Expected end of line, but received xy";
        QTest::newRow("section end") << QByteArray(v4).replace(v4.size() - 4, 4, "sned") << end;
        QTest::newRow("file end") << QByteArray(v3).replace(v3.size() - 3, 3, "EOF")
                                  << "Expected end of file, but received EOF";
        QTest::newRow("huge contour count") << V5(0xFFFFFFFFu).U32(1).data << end;
        QTest::newRow("huge old contour count")
            << Bytes().Text("Active contour record 1.0.0.0004").Crlf().U16(0xFFFF).Crlf().data << end;
        QTest::newRow("node count beyond the file") << V5(1).U32(0).U32(0xFFFF).F32(1.0f).data << end;
        QTest::newRow("too few contours") << V5(2).U32(0).U32(1).F32(1, 2).data << end;
        QTest::newRow("slice twice") << V5(2).U32(5).U32(0).U32(5).U32(0).data << "Slice 5 has two contours";
        QTest::newRow("gap") << V5(2).U32(5).U32(0).U32(7).U32(0).data << "Slice 6 has no contour";
        QTest::newRow("not a number") << V5(1).U32(3).U32(1).F32(std::nanf("")).F32(0).data
                                      << "Bad node coordinates in the contour of slice 3";
    }
    void readErrors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        SnakeRecord::Contents contents;
        contents.contours.resize(3);
        QString message;
        QVERIFY(!Parse(bytes, &contents, &message));
        QCOMPARE(message, error);
        QVERIFY(contents.contours.empty());
    }

    // Every proper prefix of a record fails with a message, without crash or allocation beyond
    // the bytes present (the sanitizer build would report either).
    void truncatedRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("version 5") << V5(2).U32(3).U32(2).F32(1, 2).F32(3, 4).U32(4).U32(1).F32(5, 6).data;
        QTest::newRow("version 4") << Old("1.0.0.0004").data;
        QTest::newRow("version 3") << Old("1.0.0.0003").data;
    }
    void truncatedRecords()
    {
        QFETCH(QByteArray, bytes);
        SnakeRecord::Contents contents;
        QString error;
        QVERIFY(Parse(bytes, &contents, &error));
        for (int length = 0; length < bytes.size(); ++length) {
            QVERIFY2(!Parse(bytes.left(length), &contents, &error), qPrintable(QString::number(length)));
            QCOMPARE(
                error, length < 21 ? QString("Could not open file rec.acr") : QString("Unexpected end of section"));
            QVERIFY(contents.contours.empty());
        }
    }

    void encodesVersion5()
    {
        std::vector<SnakeRecord::Contour> contours{{9, {Point(1.25f, -2.0f)}}, {10, {Point(3, 4), Point(5, 6)}}};
        QString error = "unset";
        const QByteArray bytes = SnakeRecord::Encode(contours, &error);
        QCOMPARE(error, QString());
        QCOMPARE(bytes, V5(2).U32(9).U32(1).F32(1.25f).F32(-2.0f).U32(10).U32(2).F32(3, 4).F32(5, 6).data);
    }

    void refusesOversizedContour()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("old.acr");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous");
        old.close();

        std::vector<SnakeRecord::Contour> contours{{4, std::vector<Point>(65536, Point(1, 1))}};
        QString error;
        QVERIFY(!SnakeRecord::Write(path, "Big", contours, &error));
        QCOMPARE(error, QString("The contour of slice 4 has 65536 nodes; a record holds at most 65535"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("previous"));

        contours[0].nodes.pop_back();
        QVERIFY(SnakeRecord::Write(path, "Big", contours, &error));
        SnakeRecord::Contents contents;
        QVERIFY(SnakeRecord::Read(path, &contents, &error));
        QCOMPARE(contents.contours.at(0).nodes.size(), size_t(65535));
    }
};

LUMIVOX_REGISTER_TEST(TestSnakeRecord)
#include "TestSnakeRecord.moc"
