#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// An INI file that behaves like the classic Windows profile API: sections and keys match
// without regard to case, writing a key replaces that line only (or adds one) and every
// other line keeps its bytes and its line end, numbers read as the caller's default when
// they do not parse. The file is windows-1250 on disk (a valid UTF-8 file is read too);
// every write lands atomically (temporary file and rename).
//
// A file is read as UTF-8 when it starts with a BOM, or when it is valid UTF-8, not plain
// ASCII, and holds only characters windows-1250 has (otherwise a windows-1250 file with,
// say, "Č°" would pass for UTF-8). Anything else is windows-1250. New lines take the file's
// encoding (in a UTF-8 file without a BOM, characters windows-1250 lacks become '?', so it
// still reads as UTF-8) and its first line end.
//
// Details worth knowing:
// - Each call looks at the file again when it changed on disk, so several objects (and
//   programs) can share one file without losing each other's writes.
// - Values are trimmed and lose matching quotes when read, as in the profile API; a value
//   that would change that way is written in double quotes, so every value reads back as
//   written. Line breaks and NULs in a value are written as spaces.
// - The first of repeated sections or keys is the one read and written. Lines before the
//   first section, comments and lines without '=' are no values but are kept on a rewrite,
//   byte for byte.
// - A write is refused (ok() false, file untouched) for a key that is empty, contains '=' or
//   a line break, or starts with ';' or '['; for names windows-1250 cannot hold; and for a
//   file that exists but could not be read (unreadable, a directory, over 1 MiB).
class Profile
{
public:
    explicit Profile(const QString &path);

    const QString &path() const { return m_path; }
    // Whether the file exists (as of the last look at the disk).
    bool exists() const;

    QString readString(const QString &section, const QString &key, const QString &def) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    // Any non-zero integer is true.
    bool readBool(const QString &section, const QString &key, bool def) const;
    // As TIniFile.SectionExists: true when the section holds at least one value.
    bool sectionExists(const QString &section) const;
    bool valueExists(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;

    // Each write goes to disk at once unless a batch is open.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    // Written as 1 or 0.
    void writeBool(const QString &section, const QString &key, bool value);
    void eraseSection(const QString &section);

    // Collects the writes until endBatch(), which saves the file once (on top of any save
    // another object made meanwhile). Batches nest; a batch never ended is dropped.
    void beginBatch();
    // Returns false when the file could not be written or a write of the batch was refused.
    bool endBatch();

    // Returns false when the last write could not land.
    bool ok() const;

    // False when there was no such file or it could not be removed.
    static bool deleteFile(const QString &path);

    ~Profile();
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;

private:
    struct Data;
    QString m_path;
    std::unique_ptr<Data> d;
};

// Path of a file in the current working directory ("\name.ini" of the classic program).
QString workingFile(const QString &name);
