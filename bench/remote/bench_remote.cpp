// Remote control speed: parsing a line, answering MEAS:FREQ? from the document, WAV:DATA? round trips
// in WORD format over localhost through the real program's server while its acquisition ticks, the
// window's longest stall and another client's *IDN? while one client sends a 1 MiB line of heavy
// queries, and how long *OPC? takes after a time-base change, in capture periods.
// The Qt program runs on the main thread; the benchmarks run on other ones, as clients would.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "document/tarnix_doc.h"
#include "remote/remote_host.h"
#include "remote/remote_session.h"
#include "remote/scpi_parser.h"
#include "ui/main_frame.h"
#include "ui/remote_server.h"
#include "ui/tarnix_app.h"
#include "ui/tarnix_view.h"

namespace tarnix {
namespace {

std::atomic<int> gPort{0};
std::atomic<qint64> gMaxTickGapUs{0};
// The mean time between two captures reaching the screen, over the last second of ticks.
std::atomic<double> gCapturePeriodMs{0.0};

class CNullHost final : public IRemoteHost {
public:
    bool CommandEnabled(int) override { return true; }
    void ExecuteCommand(int) override {}
    void ExecuteFileCommand(int, const std::string&, int) override {}
    void MoveZeroLevel(int, float) override {}
    void MoveTriggerLevel(int, float) override {}
    void MoveHorizontalPosition(int) override {}
    void SetAverageCount(int) override {}
    void ChooseFftList(FftList, int) override {}
    void ToggleFftRunning() override {}
    void CreatePassFailMask() override {}
    void StartPassFail() override {}
    void StopPassFail() override {}
    bool ModalDialogOpen() override { return false; }
    std::vector<std::uint8_t> WindowImagePng() override { return {}; }
};

void BM_ParseLine(benchmark::State& state) {
    for (auto _ : state) {
        scpi::ParsedLine line = scpi::ParseLine(":TIM:SCAL 2e-4;:CHAN1:SCAL 500mV;OFFS 0;:MEAS:FREQ? CHAN1");
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_ParseLine);

// A demo-mode document with a few frames of its generator's sine.
void BM_MeasureFrequencyQuery(benchmark::State& state) {
    CTarnixDoc doc;
    doc.StartUp();
    for (int i = 0; i < 10; ++i) {
        doc.OnTick();
    }
    CNullHost host;
    CRemoteSession session(doc, host);
    std::string reply;
    for (auto _ : state) {
        reply = session.Query("MEAS:FREQ? CHAN1");
        benchmark::DoNotOptimize(reply);
    }
    state.SetLabel(reply.substr(0, reply.size() - 1));
}
BENCHMARK(BM_MeasureFrequencyQuery);

bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads one definite-length block and its newline; the byte count, or -1.
long ReadBlock(int fd, std::string& buffer) {
    const auto fill = [&](std::size_t size) {
        char chunk[65536];
        while (buffer.size() < size) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                return false;
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    };
    if (!fill(2) || buffer[0] != '#') {
        return -1;
    }
    const std::size_t digits = static_cast<std::size_t>(buffer[1] - '0');
    if (!fill(2 + digits)) {
        return -1;
    }
    const long length = std::strtol(buffer.substr(2, digits).c_str(), nullptr, 10);
    const std::size_t total = 2 + digits + static_cast<std::size_t>(length) + 1;
    if (!fill(total)) {
        return -1;
    }
    buffer.erase(0, total);
    return length;
}

int Connect() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(gPort.load()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One line's answer up to its newline; empty when the connection ended.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (::recv(fd, &c, 1, 0) == 1) {
        if (c == '\n') {
            return line;
        }
        line.push_back(c);
    }
    return {};
}

void BM_WaveformWordRoundTrip(benchmark::State& state) {
    const int fd = Connect();
    if (fd < 0 || !SendAll(fd, "WAV:SOUR CHAN1;FORM WORD\n")) {
        state.SkipWithError("cannot reach the remote server");
        ::close(fd);
        return;
    }
    std::string buffer;
    gMaxTickGapUs = 0;
    for (auto _ : state) {
        if (!SendAll(fd, "WAV:DATA?\n") || ReadBlock(fd, buffer) != 10000) {
            state.SkipWithError("bad WAV:DATA? answer");
            break;
        }
    }
    state.counters["round_trips_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["max_tick_gap_ms"] = static_cast<double>(gMaxTickGapUs.load()) / 1000.0;
    ::close(fd);
}
BENCHMARK(BM_WaveformWordRoundTrip)->UseRealTime()->MinTime(2.0);

// One client sends a 1 MiB line of window grabs, measurements and waveforms and reads what comes;
// meanwhile another asks *IDN? every 20 ms. Counters: the longest *IDN? round trip and the longest gap
// between two acquisition ticks.
void BM_HeavyLineStall(benchmark::State& state) {
    const int heavy = Connect();
    const int other = Connect();
    std::string line = "WAV:SOUR CHAN1;FORM WORD\n";
    const std::string heavyQueries = "HCOP:DATA?;MEAS:FREQ? CHAN1;WAV:DATA?;";
    while (line.size() + heavyQueries.size() < (1U << 20)) {
        line += heavyQueries;
    }
    line += "\n";
    std::atomic<bool> done{false};
    std::thread sender([&] {
        SendAll(heavy, line);
        char chunk[65536];
        while (!done && ::recv(heavy, chunk, sizeof chunk, 0) > 0) {
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the line is running
    gMaxTickGapUs = 0;
    double longestMs = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!SendAll(other, "*IDN?\n") || ReadLine(other).rfind("Tarnix,", 0) != 0) {
            state.SkipWithError("no *IDN? answer");
            break;
        }
        longestMs = std::max(
            longestMs,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    state.counters["idn_max_ms"] = longestMs;
    state.counters["max_tick_gap_ms"] = static_cast<double>(gMaxTickGapUs.load()) / 1000.0;
    done = true;
    ::shutdown(heavy, SHUT_RDWR);
    sender.join();
    ::close(heavy);
    ::close(other);
}
BENCHMARK(BM_HeavyLineStall)->UseRealTime()->Iterations(100);

// "TIM:SCAL x;*OPC?" between two time bases, against the capture period the screen shows at them.
void BM_OpcAfterTimebaseChange(benchmark::State& state) {
    const int fd = Connect();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    double totalMs = 0.0;
    double worstMs = 0.0;
    int flip = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!SendAll(fd, flip++ % 2 == 0 ? "TIM:SCAL 200us;*OPC?\n" : "TIM:SCAL 100us;*OPC?\n") ||
            ReadLine(fd) != "1") {
            state.SkipWithError("*OPC? did not answer 1");
            break;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        totalMs += ms;
        worstMs = std::max(worstMs, ms);
    }
    const double period = gCapturePeriodMs.load();
    const double meanMs =
        totalMs / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["opc_mean_ms"] = meanMs;
    state.counters["capture_period_ms"] = period;
    state.counters["opc_mean_in_periods"] = period > 0.0 ? meanMs / period : 0.0;
    state.counters["opc_max_in_periods"] = period > 0.0 ? worstMs / period : 0.0;
    ::close(fd);
}
BENCHMARK(BM_OpcAfterTimebaseChange)->UseRealTime()->Iterations(60);

// The same measure of the acquisition ticks with no client, for comparison on a busy machine.
void BM_TicksWithoutClients(benchmark::State& state) {
    gMaxTickGapUs = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    state.counters["max_tick_gap_ms"] = static_cast<double>(gMaxTickGapUs.load()) / 1000.0;
}
BENCHMARK(BM_TicksWithoutClients)->UseRealTime()->Iterations(20);

} // namespace
} // namespace tarnix

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir folder; // Default.set lands here, not beside the benchmark
    tarnix::CTarnixApp app;
    if (!folder.isValid() || !app.InitInstance(folder.path().toStdString(),
                                               {QStringLiteral("--demo"), QStringLiteral("--nosplash")})) {
        return 1;
    }
    tarnix::CRemoteServer server(app, tarnix::RemoteOptions{});
    QString error;
    if (!server.Listen(QHostAddress(QHostAddress::LocalHost), 0, &error)) {
        return 1;
    }
    tarnix::gPort = server.Port();
    // The longest gap between two acquisition ticks while the benchmarks run.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTickUs = -1;
    std::uint64_t lastShown = 0;
    std::vector<qint64> shownAtUs; // when each of the latest captures reached the screen
    QObject::connect(&app.Frame().View().Timer(), &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (lastTickUs >= 0 && now - lastTickUs > tarnix::gMaxTickGapUs) {
            tarnix::gMaxTickGapUs = now - lastTickUs;
        }
        lastTickUs = now;
        const std::uint64_t shown = app.Document().shownSerial;
        if (shown != lastShown) {
            lastShown = shown;
            shownAtUs.push_back(now);
            if (shownAtUs.size() > 32) {
                shownAtUs.erase(shownAtUs.begin());
            }
            if (shownAtUs.size() > 1) {
                tarnix::gCapturePeriodMs = static_cast<double>(shownAtUs.back() - shownAtUs.front()) /
                                           1000.0 / static_cast<double>(shownAtUs.size() - 1);
            }
        }
    });
    benchmark::Initialize(&argc, argv);
    std::thread runner([] {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    const int status = QApplication::exec();
    runner.join();
    return status;
}
