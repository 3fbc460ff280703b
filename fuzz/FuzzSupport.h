#pragma once

// What the fuzz targets share: an in-memory serial line at the link's device seam (no pty,
// so millions of exchanges run in minutes), a main window stand-in whose port is that line,
// prompts that answer nothing, a clock that does not wait, and the application offscreen.
//
// The line has two modes. Raw: every byte read comes from the fuzz input, in order, and a
// byte that is not there times out. Responder: the line answers each complete request as a
// device would, identification and firmware of the given model, register values from the
// fuzz input.

#include "link/SerialDevice.h"
#include "link/TSerial.h"
#include "link/TTransmit.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "shell/Shell.h"
#include "shell/SystemDialog.h"

#include <QApplication>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

namespace fuzz {

// Stops the run with a message: libFuzzer keeps the input that did it.
[[noreturn]] inline void failed(const char *what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

struct Line {
    enum class Mode { Raw, Responder };
    Mode mode = Mode::Raw;
    const uint8_t *data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    std::vector<uint8_t> request; // bytes written since the last complete request
    std::deque<uint8_t> reply;    // responder: bytes of the reply not read yet
    QByteArray identification;    // responder: 16 characters
    std::vector<int> requestedStarts;

    void feed(const uint8_t *d, size_t n)
    {
        data = d;
        size = n;
        pos = 0;
        request.clear();
        reply.clear();
        requestedStarts.clear();
    }
    uint8_t nextInputByte() { return size == 0 ? 0 : data[pos++ % size]; }
    bool readRaw(uint8_t &byte)
    {
        if (pos >= size)
            return false;
        byte = data[pos++];
        return true;
    }
    void written(uint8_t byte);
};

inline Line &line()
{
    static Line l;
    return l;
}

inline quint16 crcOf(const std::vector<uint8_t> &bytes)
{
    quint8 high = 0, low = 0;
    TTransmit::crc16(bytes.data(), static_cast<int>(bytes.size()), high, low);
    return static_cast<quint16>(high << 8 | low);
}

// A whole frame whose CRC fits.
inline bool intact(const std::vector<quint8> &reply)
{
    if (reply.size() < 5)
        return false;
    const std::vector<uint8_t> body(reply.begin(), reply.end() - 2);
    const quint16 crc = crcOf(body);
    return reply[reply.size() - 2] == (crc & 0xFF) && reply.back() == (crc >> 8);
}

inline void appendCrc(std::vector<uint8_t> &frame)
{
    const quint16 crc = crcOf(frame);
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

inline void Line::written(uint8_t byte)
{
    if (mode != Mode::Responder)
        return;
    request.push_back(byte);
    if (request.size() < 2)
        return;
    const uint8_t function = request[1];
    size_t length = 8;
    if (function == 16) {
        if (request.size() < 7)
            return;
        length = 9 + request[6];
    }
    if (request.size() < length)
        return;
    const int start = request[2] << 8 | request[3];
    const int count = request[4] << 8 | request[5];
    std::vector<uint8_t> out = {request[0], function};
    requestedStarts.push_back(start);
    if (function == 3 || function == 4) {
        out.push_back(static_cast<uint8_t>(2 * count));
        for (int i = 0; i < count; ++i) {
            if (function == 4 && (start == 0x0001 || start == 0x0010) && i < 8) {
                out.push_back(static_cast<uint8_t>(identification.at(2 * i)));
                out.push_back(static_cast<uint8_t>(identification.at(2 * i + 1)));
            } else if (function == 4) {
                out.push_back('1'); // firmware number or text
                out.push_back('0');
            } else {
                out.push_back(nextInputByte());
                out.push_back(nextInputByte());
            }
        }
    } else {
        out.insert(out.end(), request.begin() + 2, request.begin() + 6); // echo
    }
    appendCrc(out);
    reply.assign(out.begin(), out.end());
    request.clear();
}

class MemorySerialDevice : public SerialDevice
{
public:
    bool open(const QString &) override { return true; }
    Settings settings() const override { return m_settings; }
    void apply(const Settings &settings) override { m_settings = settings; }
    void setReadBufferSize(int) override {}
    int writeByte(quint8 byte, int) override
    {
        line().written(byte);
        return 1;
    }
    void drain() override {}
    int readByte(quint8 &byte, int) override
    {
        Line &l = line();
        if (l.mode == Line::Mode::Raw)
            return l.readRaw(byte) ? 1 : 0;
        if (l.reply.empty())
            return 0;
        byte = l.reply.front();
        l.reply.pop_front();
        return 1;
    }

private:
    Settings m_settings;
};

class InstantClock : public Clock
{
public:
    qint64 nowMs() override { return m_now; }
    void waitProcessingEvents(int ms) override { m_now += ms; }

private:
    qint64 m_now = 0;
};

// Answers nothing; a file dialog gives the file the target set.
class SilentPrompts : public Prompts
{
public:
    void message(const QString &, const QString &, PromptIcon) override { ++messages; }
    PromptAnswer question(const QString &, const QString &, PromptButtons, PromptIcon) override
    {
        return PromptAnswer::No;
    }
    QString openFileName(const QString &, const QString &, const QString &) override
    {
        return file;
    }
    QString saveFileName(const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    void beep() override {}

    QString file;
    int messages = 0;
};

class MemoryShell : public Shell
{
public:
    MemoryShell() { install(this); }
    void openPort() override
    {
        closePort();
        serial = new TSerial(1, QStringLiteral("memory"));
    }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }
    QWidget *currentPage() const override { return page; }
    TSystemDialog &systemDialog() override { return *dialog; }

    QWidget *page = nullptr;
    TSystemDialog *dialog = nullptr;
};

// The application offscreen, the memory line, the silent prompts and the instant clock;
// once per process.
struct World {
    World()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ovrin-fuzz";
        static char *argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        // The pages keep temp.ini and their other files in the working directory: in memory
        // where the system has it, away from the build tree.
        dir = new QTemporaryDir(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/ovrin-fuzz-XXXXXX")
                                    : QString());
        QDir::setCurrent(dir->path());
        SerialDevice::setFactory([] { return std::make_unique<MemorySerialDevice>(); });
        Clock::install(&clock);
        Prompts::install(&prompts);
        shell.dialog = new TSystemDialog;
    }
    QApplication *app = nullptr;
    QTemporaryDir *dir = nullptr;
    InstantClock clock;
    SilentPrompts prompts;
    MemoryShell shell;
};

} // namespace fuzz
