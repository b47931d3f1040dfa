#pragma once

#include <QString>
#include <QStringList>

// A small INI file reader and writer that keeps the file as its user wrote it.
//
// Sections are "[name]" lines (names may contain spaces), values are "key=value" lines. Section
// and key names compare without regard to case, and the first occurrence wins, as the usual
// profile-file functions do. Everything else (comments starting with ';' or '#', blank lines,
// unknown sections and keys, lines without '=') is kept untouched when values are written back.
// Lines end as they did in the file ("\r\n" or "\n"); a new file uses "\n".
class IniFile {
public:
    IniFile() = default;

    // Reads the file. A missing file is an empty one (true); a file that exists but cannot be
    // read, or is larger than MaxFileSize, gives false and GetError() and leaves this empty.
    bool Load(const QString& path);
    // Parses text as if it were the file's content.
    void SetText(const QString& text);
    // The complete content as it would be written.
    QString Text() const;
    // Writes Text() to the file, replacing it only once the new content is complete.
    bool Save(const QString& path);

    bool Contains(const QString& section, const QString& key) const;
    // The value of the key (whitespace around it removed), or defaultValue when the key is missing.
    QString Value(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // Replaces the value of an existing key in place (line breaks in the value become spaces); a
    // missing key is added after the last entry of its section, a missing section at the end of
    // the file.
    void SetValue(const QString& section, const QString& key, const QString& value);

    QStringList Sections() const;
    const QString& GetError() const { return error; }

    static constexpr qint64 MaxFileSize = 1 << 20; // a settings file is a few hundred bytes

private:
    enum class Kind { Other, Section, Entry };
    struct Line {
        QString text;
        Kind kind = Kind::Other;
        QString name; // section name or key
    };
    static Line Parse(const QString& text);
    int FindSection(const QString& section) const;
    // Index of the key's line inside the section starting at line sectionLine, or -1.
    int FindKey(int sectionLine, const QString& key) const;
    int SectionEnd(int sectionLine) const; // index of the next section line, or the line count

    QList<Line> lines;
    QString eol = QStringLiteral("\n");
    bool finalEol = true; // the last line ends with a line break
    bool bom = false;
    bool latin1 = false; // the file is not UTF-8
    QString error;
};
