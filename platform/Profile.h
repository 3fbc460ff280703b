#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// An INI file that behaves like the classic Windows profile API: sections and keys match
// without regard to case, writing a key keeps every other section and key, numbers read as
// the caller's default when they do not parse. The file is windows-1250 on disk (a valid
// UTF-8 file is read too); every write lands atomically (temporary file and rename).
class Profile
{
public:
    explicit Profile(const QString &path);

    const QString &path() const { return m_path; }
    // Whether the file existed when it was last read.
    bool exists() const;

    QString readString(const QString &section, const QString &key, const QString &def) const;
    int readInteger(const QString &section, const QString &key, int def) const;
    // Any non-zero integer is true.
    bool readBool(const QString &section, const QString &key, bool def) const;
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

    // Collects the writes until endBatch(), which saves the file once.
    void beginBatch();
    // Returns false when the file could not be written.
    bool endBatch();

    // Returns false when the last write could not land.
    bool ok() const;

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
