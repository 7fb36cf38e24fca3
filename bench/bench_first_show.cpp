// Start-up with no display server: from the start of a process that does what app/main.cpp does,
// on the offscreen platform, to the main window's first show and its first paint.
//
//   bench_first_show [--runs N]
//
// Each run starts this program anew, warm after one run that is not counted.
#include "BenchStats.h"

#include "app/CSetupDlg.h"
#include "app/FileDialogs.h"
#include "app/MessageBoxes.h"
#include "res/Strings.h"

#include <QApplication>
#include <QEvent>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

double monotonicMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Reports the first show and the first paint of the window, timed from the parent's start mark.
class FirstShow final : public QObject
{
public:
    explicit FirstShow(double startedMs) : m_startedMs(startedMs) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && m_shownMs < 0)
            m_shownMs = monotonicMs() - m_startedMs;
        if (event->type() == QEvent::Paint && m_shownMs >= 0) {
            std::printf("%.3f %.3f\n", m_shownMs, monotonicMs() - m_startedMs);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    double m_startedMs;
    double m_shownMs = -1;
};

int child(int argc, char* argv[], double startedMs)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(Strings::kProgramName));
    QApplication::setApplicationVersion(QStringLiteral(LUMETRA_VERSION));

    QtMessageBoxes messages;
    QtFileDialogs fileDialogs;
    CSetupDlg window(messages, fileDialogs);
    FirstShow watch(startedMs);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}

bool runOnce(const char* self, double& shownMs, double& paintedMs)
{
    int output[2];
    if (::pipe(output) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);

    const double started = monotonicMs();
    const std::string mark = std::to_string(started);
    char childFlag[] = "--child";
    std::vector<char*> arguments{const_cast<char*>(self), childFlag, const_cast<char*>(mark.c_str()),
                                 nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, self, &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (failed != 0) {
        ::close(output[0]);
        return false;
    }
    char line[128] = {};
    std::size_t length = 0;
    ssize_t count = 0;
    while (length + 1 < sizeof line &&
           (count = ::read(output[0], line + length, sizeof line - 1 - length)) > 0)
        length += static_cast<std::size_t>(count);
    ::close(output[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::sscanf(line, "%lf %lf", &shownMs, &paintedMs) == 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return child(argc, argv, std::atof(argv[2]));

    int runs = 7;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::atoi(argv[2]);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> shown;
    std::vector<double> painted;
    for (int run = 0; run <= runs; ++run) {
        double shownMs = 0;
        double paintedMs = 0;
        if (!runOnce("/proc/self/exe", shownMs, paintedMs)) {
            std::fprintf(stderr, "bench_first_show: the window was never painted\n");
            return 1;
        }
        if (run > 0) {
            shown.push_back(shownMs);
            painted.push_back(paintedMs);
        }
    }
    printFigure("offscreen.first_show_ms", BenchStats::of(shown));
    printFigure("offscreen.first_paint_ms", BenchStats::of(painted));
    return 0;
}
