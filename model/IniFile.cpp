#include "model/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

namespace {
const char Bom[] = "\xEF\xBB\xBF";

bool IsBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

bool IsComment(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}
} // namespace

IniFile::Line IniFile::Parse(const QString& text)
{
    Line line;
    line.text = text;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || IsComment(trimmed))
        return line;
    if (trimmed.startsWith(QLatin1Char('['))) {
        const int close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = trimmed.mid(1, close - 1).trimmed();
        }
        return line;
    }
    const int eq = trimmed.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.kind = Kind::Entry;
        line.name = trimmed.left(eq).trimmed();
    }
    return line;
}

bool IniFile::Load(const QString& path)
{
    lines.clear();
    eol = QStringLiteral("\n");
    finalEol = true;
    bom = false;
    latin1 = false;
    error.clear();

    QFileInfo info(path);
    if (!info.exists())
        return true;
    if (info.size() > MaxFileSize) {
        error = QStringLiteral("The file %1 is too large for a settings file (%2 bytes).").arg(path).arg(info.size());
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    // Read at most one byte more than allowed, in case the file grew since it was measured.
    QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize) {
        error = QStringLiteral("The file %1 is too large for a settings file.").arg(path);
        return false;
    }
    if (bytes.startsWith(Bom)) {
        bom = true;
        bytes.remove(0, 3);
    }
    // Files are UTF-8; a file written in an 8-bit encoding is read and written back as Latin-1,
    // so that its bytes outside the keys we write stay exactly as they were.
    QTextCodec::ConverterState state;
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    latin1 = state.invalidChars > 0;
    SetText(latin1 ? QString::fromLatin1(bytes) : text);
    return true;
}

void IniFile::SetText(const QString& text)
{
    lines.clear();
    eol = QStringLiteral("\n");
    finalEol = true;
    if (text.isEmpty())
        return;
    const int firstBreak = text.indexOf(QLatin1Char('\n'));
    if (firstBreak > 0 && text.at(firstBreak - 1) == QLatin1Char('\r'))
        eol = QStringLiteral("\r\n");
    const QStringList parts = text.split(QLatin1Char('\n'));
    // A text that ends with a line break splits into a last empty part, which is not a line.
    finalEol = parts.last().isEmpty();
    const int count = finalEol ? parts.size() - 1 : parts.size();
    for (int i = 0; i < count; ++i) {
        QString part = parts.at(i);
        if (part.endsWith(QLatin1Char('\r')))
            part.chop(1);
        lines.append(Parse(part));
    }
}

QString IniFile::Text() const
{
    QString text;
    for (int i = 0; i < lines.size(); ++i) {
        text += lines.at(i).text;
        if (i + 1 < lines.size() || finalEol)
            text += eol;
    }
    return text;
}

bool IniFile::Save(const QString& path)
{
    error.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    QByteArray bytes;
    if (bom)
        bytes = Bom;
    bytes += latin1 ? Text().toLatin1() : Text().toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

int IniFile::FindSection(const QString& section) const
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines.at(i).kind == Kind::Section && lines.at(i).name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int IniFile::SectionEnd(int sectionLine) const
{
    for (int i = sectionLine + 1; i < lines.size(); ++i)
        if (lines.at(i).kind == Kind::Section)
            return i;
    return lines.size();
}

int IniFile::FindKey(int sectionLine, const QString& key) const
{
    const int end = SectionEnd(sectionLine);
    for (int i = sectionLine + 1; i < end; ++i)
        if (lines.at(i).kind == Kind::Entry && lines.at(i).name.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool IniFile::Contains(const QString& section, const QString& key) const
{
    const int s = FindSection(section);
    return s >= 0 && FindKey(s, key) >= 0;
}

QString IniFile::Value(const QString& section, const QString& key, const QString& defaultValue) const
{
    const int s = FindSection(section);
    const int k = s >= 0 ? FindKey(s, key) : -1;
    if (k < 0)
        return defaultValue;
    const QString& text = lines.at(k).text;
    return text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed();
}

void IniFile::SetValue(const QString& section, const QString& key, const QString& value)
{
    // A value is one line: line breaks inside it would start new lines of the file.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Line entry;
    entry.kind = Kind::Entry;
    entry.name = key;
    entry.text = key + QLatin1Char('=') + oneLine;

    int s = FindSection(section);
    if (s < 0) {
        // A new section goes to the end of the file, after a blank line when the file has content.
        if (!lines.isEmpty() && !IsBlank(lines.last().text))
            lines.append(Line());
        Line header;
        header.kind = Kind::Section;
        header.name = section;
        header.text = QLatin1Char('[') + section + QLatin1Char(']');
        lines.append(header);
        lines.append(entry);
        finalEol = true;
        return;
    }
    const int k = FindKey(s, key);
    if (k >= 0) {
        lines[k] = entry;
        return;
    }
    // After the section's last line that is neither blank nor a comment, so that blank lines and
    // the comments that introduce the next section stay in front of it.
    const int end = SectionEnd(s);
    int last = s;
    for (int i = s + 1; i < end; ++i)
        if (!IsBlank(lines.at(i).text) && !IsComment(lines.at(i).text))
            last = i;
    if (last + 1 == lines.size())
        finalEol = true;
    lines.insert(last + 1, entry);
}

QStringList IniFile::Sections() const
{
    QStringList names;
    for (const Line& line : lines)
        if (line.kind == Kind::Section)
            names << line.name;
    return names;
}
