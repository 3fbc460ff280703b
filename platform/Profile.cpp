#include "platform/Profile.h"

#include "platform/CodePage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <limits>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Our files are a few kilobytes. Anything far larger is not one of them: it is neither
// parsed (memory and time stay bounded) nor overwritten (we would lose what we did not read).
constexpr qint64 kMaxFileSize = 1024 * 1024;

// What a file looked like on disk when we last read or wrote it. Another Profile object (or
// another program) may write the same file; a changed stamp makes us read it again, as the
// Windows profile API does.
struct Stamp {
    bool exists = false;
    bool isFile = false;
    qint64 size = -1;
    qint64 modified = -1;
    quint64 inode = 0;

    bool operator==(const Stamp &o) const
    {
        return exists == o.exists && isFile == o.isFile && size == o.size &&
               modified == o.modified && inode == o.inode;
    }
    bool operator!=(const Stamp &o) const { return !(*this == o); }
};

Stamp stampOf(const QString &path)
{
    Stamp s;
#ifdef Q_OS_UNIX
    // One system call; QFileInfo's time goes through a local-time conversion, which is
    // slow enough to matter when a page reads fifty keys.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.isFile = S_ISREG(st.st_mode);
    s.size = qint64(st.st_size);
#ifdef Q_OS_MACOS
    s.modified = qint64(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    // Every save renames a new file into place, so the inode tells two saves apart even
    // when the clock did not move.
    s.inode = quint64(st.st_ino);
#else
    const QFileInfo info(path);
    s.exists = info.exists();
    if (!s.exists)
        return s;
    s.isFile = info.isFile();
    s.size = info.size();
    s.modified = info.lastModified().toMSecsSinceEpoch();
#endif
    return s;
}

// Values are trimmed when read, and a value in matching quotes loses them (the profile API
// does both). A value that would change that way is written in double quotes, so every
// value reads back as it was written.
QString unquote(const QString &trimmed)
{
    if (trimmed.size() >= 2) {
        const QChar first = trimmed.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && trimmed.back() == first)
            return trimmed.mid(1, trimmed.size() - 2);
    }
    return trimmed;
}

QString quoteForWriting(const QString &value)
{
    if (value.isEmpty())
        return value;
    const QChar first = value.front();
    const bool padded = first.isSpace() || value.back().isSpace();
    const bool quoted = value.size() >= 2 &&
                        (first == QLatin1Char('"') || first == QLatin1Char('\'')) &&
                        value.back() == first;
    if (padded || quoted)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// A name is written in windows-1250; one with characters the code page lacks would come
// back as another name ('?' in place of each).
bool encodable(const QString &name)
{
    return fromWindows1250(toWindows1250(name)) == name;
}

} // namespace

struct Profile::Data {
    // One line of the file. `raw` keeps the bytes of a line as read, and `eol` its line end,
    // so every line a write does not replace goes back to disk exactly as it was: comments,
    // junk (even bytes the code page does not define), its encoding and its line end.
    struct Line {
        QString text;
        QByteArray raw; // null for a line made or changed here
        QByteArray eol;
        bool isValue = false;
        QString key;
        QString value;
    };
    struct Section {
        bool hasHeader = false; // false only for the lines before the first header
        QString name;
        QString headerText;
        QByteArray headerRaw;
        QByteArray headerEol;
        std::vector<Line> lines;
    };

    std::vector<Section> sections;
    // A file read as UTF-8 gets its new lines in UTF-8 (and keeps its BOM), so it reads the
    // same way after a write; any other file is windows-1250.
    bool utf8 = false;
    bool bom = false;
    // The line end of new lines: the file's first, or CRLF.
    QByteArray eol = "\r\n";
    Stamp stamp;
    bool loaded = false;
    bool exists = false;
    bool unreadable = false; // exists but could not be read or is too large: never overwrite
    bool ok = true;
    // A write or erase of an open batch, kept to be made again if the file changes meanwhile.
    struct Op {
        bool erase;
        QString section;
        QString key;
        QString value;
    };
    enum class Result { Refused, Unchanged, Changed };

    int batchDepth = 0;
    std::vector<Op> batch;
    bool batchFailed = false;

    void parse(const QByteArray &bytes);
    // A new or changed line as the file holds it, and the text it reads back as.
    QByteArray encode(const QString &text) const;
    QString representable(const QString &text) const;
    void load(const QString &path);
    void refresh(const QString &path);
    Section *findSection(const QString &name);
    Line *findValue(Section *section, const QString &key);
    bool save(const QString &path);
    Result applyWrite(const QString &section, const QString &key, const QString &value);
    Result applyErase(const QString &section);
    // Saves a change at once, or keeps it for the end of the batch; sets `ok`.
    void settle(const QString &path, Result result, const Op &op);
};

void Profile::Data::parse(const QByteArray &bytes)
{
    sections.clear();
    sections.emplace_back(); // lines before the first section header

    // A file with a BOM, or valid UTF-8 that is not plain ASCII, is UTF-8; anything else
    // windows-1250. Some windows-1250 byte pairs are valid UTF-8 too ("Č°" is C8 B0, U+0230),
    // so a file of ours could pass for UTF-8; UTF-8 without a BOM is therefore taken only
    // when every character in it is one windows-1250 has (a Czech file edited by hand).
    // Either way each line keeps its bytes, so a misread line still goes back unchanged.
    QByteArray body = bytes;
    utf8 = false;
    bom = false;
    eol = "\r\n";
    if (body.startsWith("\xEF\xBB\xBF")) {
        body.remove(0, 3);
        utf8 = true;
        bom = true;
    }
    const bool ascii =
        std::none_of(body.cbegin(), body.cend(), [](char c) { return uchar(c) >= 0x80; });
    if (!utf8 && !ascii) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(body);
        utf8 = !decoder.hasError() && fromWindows1250(toWindows1250(text)) == text;
    }

    auto addLine = [this](QByteArray raw, QByteArray end) {
        Line line;
        QString text = utf8 ? QString::fromUtf8(raw) : fromWindows1250(raw);
        const QString t = text.trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
            if (close > 0) {
                Section section;
                section.hasHeader = true;
                section.name = t.mid(1, close - 1).trimmed();
                section.headerText = std::move(text);
                section.headerRaw = std::move(raw);
                section.headerEol = std::move(end);
                sections.push_back(std::move(section));
                return;
            }
        } else if (!t.startsWith(QLatin1Char(';'))) {
            const qsizetype eq = t.indexOf(QLatin1Char('='));
            if (eq > 0) {
                QString key = t.left(eq).trimmed();
                if (!key.isEmpty()) {
                    line.isValue = true;
                    line.key = std::move(key);
                    line.value = unquote(t.mid(eq + 1).trimmed());
                }
            }
        }
        // Comments, blank lines and junk are kept as they stand.
        line.text = std::move(text);
        line.raw = std::move(raw);
        line.eol = std::move(end);
        sections.back().lines.push_back(std::move(line));
    };

    // Lines end with CRLF, LF or a lone CR; the last one may have no end. In UTF-8 neither
    // byte occurs inside a character, so both encodings split alike.
    bool eolSeen = false;
    const char *p = body.constData();
    const char *const stop = p + body.size();
    while (p < stop) {
        const char *end = p;
        while (end < stop && *end != '\n' && *end != '\r')
            ++end;
        qsizetype endLength = end < stop ? 1 : 0;
        if (end + 1 < stop && end[0] == '\r' && end[1] == '\n')
            endLength = 2;
        QByteArray lineEnd(end, endLength);
        if (!eolSeen && endLength > 0) {
            eol = lineEnd;
            eolSeen = true;
        }
        addLine(QByteArray(p, end - p), std::move(lineEnd));
        p = end + endLength;
    }
}

QByteArray Profile::Data::encode(const QString &text) const
{
    // Without a BOM a UTF-8 file passes for one only while windows-1250 has every character.
    return utf8 ? representable(text).toUtf8() : toWindows1250(text);
}

QString Profile::Data::representable(const QString &text) const
{
    return utf8 && bom ? text : fromWindows1250(toWindows1250(text));
}

void Profile::Data::load(const QString &path)
{
    loaded = true;
    stamp = stampOf(path);
    exists = stamp.exists && stamp.isFile;
    unreadable = false;
    sections.clear();
    utf8 = false;
    bom = false;
    eol = "\r\n";
    sections.emplace_back();
    if (!stamp.exists)
        return;
    if (!stamp.isFile || stamp.size > kMaxFileSize) {
        unreadable = true;
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        unreadable = true;
        return;
    }
    // Read at most one byte past the limit: a file that grew meanwhile is still refused.
    // In pieces, not as one buffer of the limit's size: a settings file is read often.
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(stamp.size) + 1);
    while (bytes.size() <= kMaxFileSize) {
        const QByteArray piece =
            file.read(std::min<qint64>(64 * 1024, kMaxFileSize + 1 - bytes.size()));
        if (piece.isEmpty())
            break;
        bytes += piece;
    }
    if (bytes.size() > kMaxFileSize || file.error() != QFileDevice::NoError) {
        unreadable = true;
        return;
    }
    parse(bytes);
}

void Profile::Data::refresh(const QString &path)
{
    // An open batch works on its own copy; the file is read again after it is saved.
    if (batchDepth > 0 && loaded)
        return;
    if (!loaded || stampOf(path) != stamp)
        load(path);
}

Profile::Data::Section *Profile::Data::findSection(const QString &name)
{
    const QString wanted = name.trimmed();
    for (Section &section : sections) {
        if (section.hasHeader && section.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &section;
    }
    return nullptr;
}

Profile::Data::Line *Profile::Data::findValue(Section *section, const QString &key)
{
    if (!section)
        return nullptr;
    const QString wanted = key.trimmed();
    for (Line &line : section->lines) {
        if (line.isValue && line.key.compare(wanted, Qt::CaseInsensitive) == 0)
            return &line;
    }
    return nullptr;
}

bool Profile::Data::save(const QString &path)
{
    QByteArray out;
    if (bom)
        out += "\xEF\xBB\xBF";
    // A last line without an end gets one when something follows it.
    bool unterminated = false;
    auto put = [&](const QString &text, const QByteArray &raw, const QByteArray &end) {
        if (unterminated)
            out += eol;
        out += raw.isNull() ? encode(text) : raw;
        out += end;
        unterminated = end.isEmpty();
    };
    for (const Section &section : sections) {
        if (section.hasHeader)
            put(section.headerText, section.headerRaw, section.headerEol);
        for (const Line &line : section.lines)
            put(line.text, line.raw, line.eol);
    }

    // The whole file goes to a temporary file beside it and is renamed into place: a full
    // disk or a crash leaves the old file as it was.
    QSaveFile file(path);
    // Unbuffered, so a short write (disk full, file-size limit) shows in write()'s count:
    // through the buffer, Qt 6.4 commits a truncated file and reports success.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (written)
        written = file.write(out) == out.size();
    if (written)
        written = file.commit();
    else
        file.cancelWriting();

    if (written) {
        stamp = stampOf(path);
        exists = true;
        loaded = true;
    } else {
        // What is in memory did not land: the next access reads what the disk really holds.
        loaded = false;
    }
    return written;
}

Profile::Profile(const QString &path) : m_path(path), d(std::make_unique<Data>())
{
    d->load(m_path);
}

Profile::~Profile()
{
    if (d->batchDepth > 0 && !d->batch.empty())
        qWarning("Profile: batch on %s was never ended; its writes are dropped",
                 qPrintable(m_path));
}

bool Profile::exists() const
{
    d->refresh(m_path);
    return d->exists;
}

QString Profile::readString(const QString &section, const QString &key, const QString &def) const
{
    d->refresh(m_path);
    const Data::Line *line = d->findValue(d->findSection(section), key);
    return line ? line->value : def;
}

namespace {

// Integer text as a Delphi TIniFile reads it: decimal, or hexadecimal with "$" or "0x";
// surrounding blanks are ignored, anything else (or a value outside int) fails.
bool parseInteger(const QString &text, int *result)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < t.size() && t.at(i) == QLatin1Char('$')) {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t.at(i) == QLatin1Char('0') &&
               (t.at(i + 1) == QLatin1Char('x') || t.at(i + 1) == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    quint64 value = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= base)
            return false;
        value = value * quint64(base) + quint64(digit);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    if (base == 16) {
        // "$FFFFFFFF" is -1, as the 32-bit conversion gives it.
        const qint64 v = qint64(qint32(quint32(value)));
        if (negative && v == std::numeric_limits<qint32>::min())
            return false;
        *result = int(negative ? -v : v);
        return true;
    }
    const qint64 v = negative ? -qint64(value) : qint64(value);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    *result = int(v);
    return true;
}

} // namespace

int Profile::readInteger(const QString &section, const QString &key, int def) const
{
    d->refresh(m_path);
    const Data::Line *line = d->findValue(d->findSection(section), key);
    int value = 0;
    if (line && parseInteger(line->value, &value))
        return value;
    return def;
}

bool Profile::readBool(const QString &section, const QString &key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

bool Profile::sectionExists(const QString &section) const
{
    // As TIniFile.SectionExists: a section counts when it holds at least one value.
    d->refresh(m_path);
    const Data::Section *s = d->findSection(section);
    if (!s)
        return false;
    for (const Data::Line &line : s->lines) {
        if (line.isValue)
            return true;
    }
    return false;
}

bool Profile::valueExists(const QString &section, const QString &key) const
{
    d->refresh(m_path);
    return d->findValue(d->findSection(section), key) != nullptr;
}

QStringList Profile::sections() const
{
    d->refresh(m_path);
    QStringList names;
    for (const Data::Section &section : d->sections) {
        if (section.hasHeader && !names.contains(section.name, Qt::CaseInsensitive))
            names << section.name;
    }
    return names;
}

QStringList Profile::keys(const QString &section) const
{
    d->refresh(m_path);
    QStringList names;
    if (const Data::Section *s = d->findSection(section)) {
        for (const Data::Line &line : s->lines) {
            // A repeated key is shadowed by its first occurrence; list it once.
            if (line.isValue && !names.contains(line.key, Qt::CaseInsensitive))
                names << line.key;
        }
    }
    return names;
}

Profile::Data::Result Profile::Data::applyWrite(const QString &section, const QString &key,
                                                const QString &value)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    // Names that the file could not give back (or that would turn into other lines) and a
    // file we could not read (we would overwrite what we never saw) are refused.
    const bool validKey = !keyName.isEmpty() && !keyName.contains(QLatin1Char('=')) &&
                          !keyName.startsWith(QLatin1Char(';')) &&
                          !keyName.startsWith(QLatin1Char('[')) && !hasLineBreak(keyName);
    if (!validKey || !encodable(keyName) || hasLineBreak(sectionName) || !encodable(sectionName) ||
        unreadable)
        return Result::Refused;
    // A value is one line: line breaks (and NULs, which end a value for C readers) become
    // spaces rather than lines of their own.
    QString clean = value;
    for (QChar &c : clean) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull())
            c = QLatin1Char(' ');
    }
    Section *s = findSection(sectionName);
    Line *line = findValue(s, keyName);
    // The value the line holds (even one read from bytes the code page leaves undefined)
    // keeps its bytes; any other is stored as the file will give it back, characters the
    // file cannot hold as '?'.
    if (line && line->value == clean)
        return Result::Unchanged;
    clean = representable(clean);
    if (line && line->value == clean)
        return Result::Unchanged;
    if (!s) {
        Section added;
        added.hasHeader = true;
        added.name = sectionName;
        added.headerText = QLatin1Char('[') + sectionName + QLatin1Char(']');
        added.headerEol = eol;
        sections.push_back(std::move(added));
        s = &sections.back();
    }
    const QString lineKey = line ? line->key : keyName;
    Line fresh;
    fresh.isValue = true;
    fresh.key = lineKey;
    fresh.value = clean;
    fresh.text = lineKey + QLatin1Char('=') + quoteForWriting(clean);
    // The replaced line keeps its place and its line end.
    fresh.eol = line ? line->eol : eol;
    if (line) {
        *line = std::move(fresh);
        return Result::Changed;
    }
    // A new key goes after the section's last value (comments and blank lines after it
    // usually introduce the next section); in a section without values, after its last
    // non-blank line.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && !(pos - 1)->isValue)
        --pos;
    if (pos == s->lines.begin()) {
        pos = s->lines.end();
        while (pos != s->lines.begin() && (pos - 1)->text.trimmed().isEmpty())
            --pos;
    }
    s->lines.insert(pos, std::move(fresh));
    return Result::Changed;
}

Profile::Data::Result Profile::Data::applyErase(const QString &section)
{
    if (unreadable)
        return Result::Refused;
    const QString wanted = section.trimmed();
    Result result = Result::Unchanged;
    for (auto it = sections.begin(); it != sections.end();) {
        if (it->hasHeader && it->name.compare(wanted, Qt::CaseInsensitive) == 0) {
            it = sections.erase(it);
            result = Result::Changed;
        } else {
            ++it;
        }
    }
    return result;
}

void Profile::Data::settle(const QString &path, Result result, const Op &op)
{
    switch (result) {
    case Result::Refused:
        ok = false;
        if (batchDepth > 0)
            batchFailed = true;
        return;
    case Result::Unchanged:
        if (batchDepth == 0)
            ok = true;
        return;
    case Result::Changed:
        break;
    }
    if (batchDepth > 0) {
        batch.push_back(op);
        return;
    }
    ok = save(path);
}

void Profile::writeString(const QString &section, const QString &key, const QString &value)
{
    d->refresh(m_path);
    d->settle(m_path, d->applyWrite(section, key, value), {false, section, key, value});
}

void Profile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void Profile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void Profile::eraseSection(const QString &section)
{
    d->refresh(m_path);
    // Erasing what is not there is no failure (and creates no file).
    d->settle(m_path, d->applyErase(section), {true, section, QString(), QString()});
}

void Profile::beginBatch()
{
    if (d->batchDepth == 0) {
        d->refresh(m_path);
        d->batch.clear();
        d->batchFailed = false;
    }
    ++d->batchDepth;
}

bool Profile::endBatch()
{
    if (d->batchDepth == 0)
        return d->ok;
    if (--d->batchDepth > 0)
        return true;
    bool saved = true;
    if (!d->batch.empty()) {
        // Someone else saved the file during the batch: start from their version, so their
        // keys are not lost, and make our changes again.
        if (stampOf(m_path) != d->stamp) {
            d->load(m_path);
            for (const Data::Op &op : d->batch) {
                if ((op.erase
                         ? d->applyErase(op.section)
                         : d->applyWrite(op.section, op.key, op.value)) == Data::Result::Refused)
                    d->batchFailed = true;
            }
        }
        saved = !d->unreadable && d->save(m_path);
    }
    d->batch.clear();
    d->ok = saved && !d->batchFailed;
    return d->ok;
}

bool Profile::ok() const
{
    return d->ok;
}

bool Profile::deleteFile(const QString &path)
{
    return QFile::remove(path);
}

QString workingFile(const QString &name)
{
    // The classic program wrote "\name.ini"; the leading separator is not part of the name.
    QString bare = name;
    while (bare.startsWith(QLatin1Char('\\')) || bare.startsWith(QLatin1Char('/')))
        bare.remove(0, 1);
    return QDir::current().filePath(bare);
}
