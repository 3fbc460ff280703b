// A network gateway's stream: whatever a transparent serial server sends back over TCP, in
// pieces of any size, with a pause between pieces or the connection dropped at any point,
// read through the real gateway device on a loopback socket. Only documented error numbers
// come out, a reply is taken only when intact, and nothing of one exchange's stream reaches
// the next: the device answering correctly right after is read correctly.
//
// The input: the operation, its parameter, how the stream is made (raw bytes, the correct
// reply with bytes after it, the correct reply changed by the input, the correct reply cut
// short and followed by bytes), the piece size and whether to pause, then the bytes.

#include "FuzzSupport.h"
#include "platform/TextError.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const std::set<int> kLinkErrors = {0, 2, 3, 4, 5, 6, 8, 29};

// What the device answers to a request, as a correct device would: register values that
// tell their own address, the text "IDENTIFICATION16" for the identification, an echo for
// a write.
std::vector<uint8_t> correctReply(const std::vector<uint8_t> &request)
{
    const int start = request[2] << 8 | request[3];
    const int count = request[4] << 8 | request[5];
    std::vector<uint8_t> out = {request[0], request[1]};
    if (request[1] == 3 || request[1] == 4) {
        static const char text[] = "IDENTIFICATION16";
        out.push_back(static_cast<uint8_t>(2 * count));
        for (int i = 0; i < count; ++i) {
            if (request[1] == 4) {
                out.push_back(static_cast<uint8_t>(text[(2 * i) % 16]));
                out.push_back(static_cast<uint8_t>(text[(2 * i + 1) % 16]));
            } else {
                const quint16 v = static_cast<quint16>((start + i) * 0x0101);
                out.push_back(static_cast<uint8_t>(v >> 8));
                out.push_back(static_cast<uint8_t>(v & 0xFF));
            }
        }
    } else {
        out.insert(out.end(), request.begin() + 2, request.begin() + 6);
    }
    fuzz::appendCrc(out);
    return out;
}

// How the next connection's answer is made from the correct reply.
struct Script {
    enum class Kind { Raw, AfterReply, Changed, CutShort, Correct };
    Kind kind = Kind::Correct;
    std::vector<uint8_t> bytes;
    size_t cut = 0;
    size_t piece = 4096;
    bool pause = false;

    std::vector<uint8_t> stream(const std::vector<uint8_t> &request) const
    {
        std::vector<uint8_t> reply = correctReply(request);
        switch (kind) {
        case Kind::Raw:
            return bytes;
        case Kind::AfterReply:
            reply.insert(reply.end(), bytes.begin(), bytes.end());
            return reply;
        case Kind::Changed:
            for (size_t i = 0; i < bytes.size() && i < reply.size(); ++i)
                reply[i] ^= bytes[i];
            return reply;
        case Kind::CutShort:
            reply.resize(std::min(cut, reply.size()));
            reply.insert(reply.end(), bytes.begin(), bytes.end());
            return reply;
        case Kind::Correct:
            break;
        }
        return reply;
    }
};

// A serial server on loopback: one connection per exchange, the request read whole (every
// request here is 8 bytes), the scripted stream sent, the connection closed. It lives for
// the whole process (its thread is never joined).
class StreamServer
{
public:
    StreamServer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            ::listen(m_listen, 4) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            fuzz::failed("no loopback server");
        port = ntohs(address.sin_port);
        std::thread([this] { serve(); }).detach();
    }

    void next(const Script &script)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_script = script;
    }

    quint16 port = 0;

private:
    void serve()
    {
        for (;;) {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            std::vector<uint8_t> request;
            while (request.size() < 8) {
                pollfd p{fd, POLLIN, 0};
                uint8_t buffer[16];
                if (::poll(&p, 1, 5000) <= 0)
                    break;
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                request.insert(request.end(), buffer, buffer + n);
            }
            if (request.size() >= 8) {
                Script script;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    script = m_script;
                }
                const std::vector<uint8_t> stream = script.stream(request);
                for (size_t at = 0; at < stream.size(); at += script.piece) {
                    const size_t n = std::min(script.piece, stream.size() - at);
                    if (::send(fd, stream.data() + at, n, MSG_NOSIGNAL) < 0)
                        break;
                    // One short pause, well inside a later byte's wait: the client sees a
                    // frame that arrives in two packets.
                    if (script.pause && at == 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(300));
                }
            }
            ::close(fd);
        }
    }

    int m_listen = -1;
    std::mutex m_mutex;
    Script m_script;
};

class GatewayShell : public Shell
{
public:
    explicit GatewayShell(quint16 port)
        : m_path(QStringLiteral("tcp://127.0.0.1:%1").arg(port))
    {
        install(this);
    }
    void openPort() override
    {
        closePort();
        serial = new TSerial(1, m_path);
        // A loaded machine may be slow to schedule the server; the stream always ends in a
        // closed connection, so a long wait costs nothing when the bytes are done.
        serial->setFirstByteTimeout(2000);
    }
    void closePort() override
    {
        delete serial;
        serial = nullptr;
    }
    TSystemDialog &systemDialog() override { return *dialog; }

    TSystemDialog *dialog = nullptr;

private:
    QString m_path;
};

struct GatewayWorld {
    GatewayWorld()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ovrin-fuzz";
        static char *argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        server = new StreamServer;
        shell = new GatewayShell(server->port);
        shell->dialog = new TSystemDialog;
        Prompts::install(&prompts);
    }
    QApplication *app = nullptr;
    StreamServer *server = nullptr;
    GatewayShell *shell = nullptr;
    fuzz::SilentPrompts prompts;
};

GatewayWorld &world()
{
    static GatewayWorld *w = new GatewayWorld;
    return *w;
}


struct Exchange {
    TransmitResult result;
    std::vector<qint16> values;
    QString text;
    std::vector<quint8> reply;
};

// Operation 0: function 3 of count registers from 0x2001; 1: function 6; 2: the
// identification (function 4).
Exchange run(int operation, int count)
{
    TTransmit t(*world().shell);
    Exchange e;
    if (operation == 2) {
        e.result = t.readIdentification(e.text);
        if (e.text.size() != 16)
            fuzz::failed("identification not 16 characters");
        return e;
    }
    t.clear();
    t.setFunction(operation == 0 ? 3 : 6);
    t.setStart(0x2001);
    if (operation == 0)
        t.setCount(static_cast<qint16>(count));
    else
        t.addValue(static_cast<qint16>(count * 257));
    if (!t.buildRequest())
        fuzz::failed("request not built");
    e.result = t.transact(nullptr);
    e.reply = t.reply();
    const int queued = t.queuedValues();
    for (int i = 0; i < queued; ++i)
        e.values.push_back(t.nextValue());
    return e;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    world();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4 || size > 600)
        return 0;
    GatewayWorld &w = world();
    const int operation = data[0] % 3;
    const int count = 1 + data[1] % 125;
    Script script;
    script.kind = static_cast<Script::Kind>(data[2] % 4);
    script.cut = data[2] / 4;
    script.piece = 1 + data[3] % 32;
    script.pause = (data[3] & 0xE0) == 0xE0;
    script.bytes.assign(data + 4, data + size);
    w.server->next(script);

    const Exchange first = run(operation, count);
    if (!kLinkErrors.count(first.result.error))
        fuzz::failed("an undocumented error number");
    if (w.shell->serial)
        fuzz::failed("the port was left open");
    if (operation != 2) {
        if (first.result.error == 0 && !fuzz::intact(first.reply))
            fuzz::failed("a damaged reply was taken");
        if (first.result.error != 0 && !first.values.empty())
            fuzz::failed("a failed exchange left values");
        if (operation == 0 && first.result.error == 0 && int(first.values.size()) != count)
            fuzz::failed("the FIFO does not hold the count asked for");
    }

    // The same exchange against a device that answers correctly: nothing of the stream
    // before may show.
    w.server->next(Script());
    const Exchange second = run(operation, count);
    if (second.result.error != 0)
        fuzz::failed("a correct reply after a bad stream failed");
    if (operation == 0) {
        if (int(second.values.size()) != count)
            fuzz::failed("a correct reply gave the wrong count");
        for (int i = 0; i < count; ++i)
            if (static_cast<quint16>(second.values[size_t(i)]) != quint16((0x2001 + i) * 0x0101))
                fuzz::failed("a correct reply gave the wrong values");
    }
    if (operation == 2 && second.text != QLatin1String("IDENTIFICATION16"))
        fuzz::failed("a correct identification read wrong");
    return 0;
}
