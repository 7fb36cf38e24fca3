// The costs that do not wait on a port: the image's check, build and decode in the core, the
// window's BuildImage and ApplyImage through the pages, and the protocol core over a whole upload.
#include "app/CSetupDlg.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "link/TransferProtocol.h"
#include "settings/SettingsImage.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class SilentMessageBoxes final : public MessageBoxes
{
public:
    void show(QWidget*, const QString&, MessageIcon) override {}
};

struct Window
{
    SilentMessageBoxes messages;
    QtFileDialogs files;
    CSetupDlg dialog{messages, files};
};

std::unique_ptr<Window> g_window;

void statistics(benchmark::internal::Benchmark* bench)
{
    bench->ComputeStatistics(
        "min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    bench->ComputeStatistics(
        "max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); });
}

void ImageCheck(benchmark::State& state)
{
    const SettingsImage image = factoryDefaultImage();
    for (auto _ : state)
        benchmark::DoNotOptimize(findImageFault(image));
}

void ImageBuild(benchmark::State& state)
{
    const WorkingValues values = factoryDefaults();
    SettingsImage image{};
    for (auto _ : state) {
        encodeImage(values, image);
        benchmark::DoNotOptimize(image);
    }
}

void ImageDecode(benchmark::State& state)
{
    const SettingsImage image = factoryDefaultImage();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeImage(image));
}

void WindowBuildImage(benchmark::State& state)
{
    for (auto _ : state) {
        g_window->dialog.BuildImage();
        benchmark::DoNotOptimize(g_SettingsImage);
    }
}

void WindowApplyImage(benchmark::State& state)
{
    const SettingsImage image = factoryDefaultImage();
    for (auto _ : state) {
        g_SettingsImage = image;
        benchmark::DoNotOptimize(g_window->dialog.ApplyImage());
    }
}

// Request, then the 127 reply bytes in batches of the given size, up to "Upload OK!".
void ProtocolUpload(benchmark::State& state)
{
    const auto batch = static_cast<std::size_t>(state.range(0));
    const SettingsImage reply = factoryDefaultImage();
    SettingsImage image{};
    TransferProtocol protocol(image);
    for (auto _ : state) {
        benchmark::DoNotOptimize(protocol.uploadRequestWritten());
        for (std::size_t at = 0; at < reply.size(); at += batch) {
            const std::size_t count = std::min(batch, reply.size() - at);
            benchmark::DoNotOptimize(protocol.received({reply.data() + at, count}, false));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(reply.size()));
}

BENCHMARK(ImageCheck)->Apply(statistics);
BENCHMARK(ImageBuild)->Apply(statistics);
BENCHMARK(ImageDecode)->Apply(statistics);
BENCHMARK(WindowBuildImage)->Apply(statistics);
BENCHMARK(WindowApplyImage)->Apply(statistics);
BENCHMARK(ProtocolUpload)->Arg(1)->Arg(127)->Apply(statistics);

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_window = std::make_unique<Window>();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_window.reset();
    return 0;
}
