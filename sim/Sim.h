#pragma once

// Device simulator: one Modbus RTU slave, or a bus of several, on a pseudo-terminal or a
// loopback TCP port, served from its own thread.
//
//   auto device = std::shared_ptr<sim::Device>(sim::createModel("T4yJ"));
//   sim::Server server(device);
//   QString error;
//   if (!server.start(&error)) QFAIL(qPrintable(error));
//   port.setPath(server.path());                 // e.g. /dev/pts/5, open it raw at 19200
//
//   sim::Faults f;  f.silent = true;  server.setFaults(f);   // no reply at all
//   server.setException(sim::Table::Holding, 0x2001, 0x2001, 4); // exception 4 there
//   server.failNextRequests(2);                  // two silent requests, then normal
//   server.clearLog(); ...; QVERIFY(server.waitForFrames(1, 1000));
//   server.frames().first().bytes == QByteArray::fromHex("ff0400010008b5d2");
//
// Answers address 255 and the device's own address; functions 3, 4, 5, 6 and 16. Unmapped
// addresses give exception 2, unknown functions exception 1, malformed counts exception 3,
// requests with a bad CRC no reply. Faults can be changed at any time while serving.
// Requests are recognised by their length (from the function code) and CRC, never by a
// silence; garbage is skipped by rescanning, and a fragment left alone for 300 ms is dropped.
// A reply the master no longer waited for is discarded when the master opens the pty again
// (as a closed serial port would lose it); a master that keeps the port open sees it.
//
// A bus: several devices, each at its own address and rate; address 255 reaches every one
// that hears the request, and their replies collide on the line.
//
//   sim::Server bus({{sim::createModel("T4yJ"), 19200}, {sim::createModel("E-HN2"), 9600}});
//   bus.device(0)->placeOnBus(5, 19200); ...
//   std::vector<sim::BusMember> members; sim::parseBus("T4yJ@5,E-HN2@31:9600", &members);
//
// Faults drawn at random for a long run: each request addressed to the device gets, with the
// given chance, one fault of a kind the master can see, and every one is counted by kind.
//
//   sim::RandomFaults r;  r.rate = 0.02;  r.unplugEveryMs = 180000;  r.unplugForMs = 10000;
//   server.setRandomFaults(r);  ...  server.injectedFaults()[int(sim::FaultKind::BadCrc)];
//
// A request at a rate a device does not use reaches it as garbage: on a pty the rate is the
// one the master set (the slave side's termios, which the simulator reads); on TCP it is the
// line rate of the simulated gateway (setLineRate, 19200 by default).

#include "sim/Device.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

namespace sim {

// The 18 models by their list names ("KQx" ... "VTLx", "E-HB5/HN9" also as "E-HB5-HN9"),
// case-insensitive. Null for an unknown name.
std::unique_ptr<Device> createModel(const QString &name);
QStringList modelNames();

// Modbus CRC-16 of the bytes; appendCrc() adds it low byte first.
quint16 crc16(const QByteArray &bytes);
QByteArray appendCrc(QByteArray frame);

// One character on a 19200 Bd 8N1 line, in microseconds (10 bits).
constexpr double kCharMicros = 10.0 * 1e6 / 19200.0;
// The same at another rate.
constexpr double charMicros(quint32 baudRate)
{
    return baudRate > 0 ? 10.0 * 1e6 / double(baudRate) : kCharMicros;
}

struct Faults {
    bool silent = false;       // no reply at all
    bool badCrc = false;       // reply CRC inverted
    int wrongFunction = -1;    // 0..255: reply function byte replaced by this value
    int replyAddress = -1;     // 0..255: reply sent under this address (its CRC fits)
    int dropLastBytes = 0;     // reply cut short by this many bytes
    int replyDelayMs = 0;      // before the first reply byte
    bool wireTiming = false;   // pace request and reply like a line at the request's rate
    int failNextRequests = 0;  // the next K requests addressed to us fail, then normal again
    int failExceptionCode = 0; // how they fail: 0 = no reply, else this exception code
};

// What a random fault does to the reply of one request.
enum class FaultKind {
    BadCrc,         // the reply's CRC inverted
    Silence,        // no reply
    ShortReply,     // the reply cut short, where no master could take it for whole
    ForeignAddress, // the reply carries another address (only for a request to one device)
    GarbageBurst,   // line noise instead of the reply: no function or exception code in it
    Unplugged,      // a request heard while the device is unplugged: no reply
};
constexpr int kFaultKinds = 6;
const char *faultName(FaultKind kind); // "bad-crc", "silence", ...

struct RandomFaults {
    double rate = 0;       // chance of a fault per request addressed to the device
    quint32 seed = 1;
    unsigned kinds = 0x1F; // the kinds drawn, a bit per FaultKind (unplugging goes by time)
    int unplugEveryMs = 0; // the device is unplugged for the last unplugForMs of every period
    int unplugForMs = 0;
};

struct Frame {
    QByteArray bytes;
    qint64 timeUs = 0;  // first byte received / first reply byte written, since start()
    bool reply = false; // false: received from the master; true: sent by the device
    quint32 baudRate = 0; // the line's rate when it travelled (0: unknown)
};

// A device on a bus and the rate it talks at (0: any rate, as a device alone on the bench).
struct BusMember {
    std::shared_ptr<Device> device;
    quint32 baudRate = 0;
};

// "T4yJ@5,CWR1@17,E-HN2@31:9600": models with their addresses and rates (19200 by
// default), each placed there (placeOnBus). False, with the reason, for a bad list.
bool parseBus(const QString &text, std::vector<BusMember> *members, QString *error = nullptr);

class Server
{
public:
    explicit Server(std::shared_ptr<Device> device);
    explicit Server(std::vector<BusMember> members);
    ~Server(); // stops
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Before start(): also create a symlink at this path to the pty (removed on stop()).
    void setLinkPath(const QString &path);
    // Called on the server thread for every logged frame (set before start()).
    void setObserver(std::function<void(const Frame &)> observer);
    // How often the device's tick() runs; 0 disables. Default 200 ms.
    void setTickInterval(int ms);
    // Before start(): serve on 127.0.0.1:port (0: any free port) as a transparent serial
    // server does, one client at a time (a new one replaces the old), at this line rate.
    void setTcpPort(quint16 port);
    void setLineRate(quint32 baudRate);
    quint16 tcpPort() const; // after start()

    bool start(QString *error = nullptr);
    void stop();
    bool isRunning() const;
    // Slave side of the pty, or "tcp://127.0.0.1:PORT"; empty before start().
    QString path() const;
    std::shared_ptr<Device> device(int member = 0) const;
    // The bus as it is now (a device's rate follows a written rate register at once).
    std::vector<BusMember> members() const;

    void setFaults(const Faults &faults);
    Faults faults() const;
    void failNextRequests(int count, int exceptionCode = 0);
    // Replaces the random faults and sets their counts to 0.
    void setRandomFaults(const RandomFaults &faults);
    // Faults injected so far, by kind (index: FaultKind).
    std::array<qint64, kFaultKinds> injectedFaults() const;
    bool unplugged() const; // whether the device is unplugged right now

    // Requests touching any address first..last of the table get exception `code`.
    // Holding covers functions 3, 6, 16 (only 6 and 16 with writesOnly: a device that
    // shows a register but refuses a value for it); Input function 4; Coil function 5.
    void setException(Table table, int first, int last, int code, bool writesOnly = false);
    void clearExceptions();

    // The log keeps the latest 100000 frames of each kind.
    QList<Frame> frames() const;  // received requests with a valid CRC, any address
    QList<Frame> replies() const; // replies as sent (after faults)
    qint64 droppedBytes() const;  // garbage and bad-CRC bytes thrown away while resyncing
    void clearLog();
    bool waitForFrames(int count, int timeoutMs) const;
    bool waitForReplies(int count, int timeoutMs) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace sim
